#include "app/Application_win.h"

#include "support/AppTermination.h"

namespace veyra {
namespace {

constexpr wchar_t kApplicationClass[] = L"VeyraLauncherApplication";

ATOM RegisterApplicationClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kApplicationClass;
    return ::RegisterClassExW(&windowClass);
}

} // namespace

TApplication::TApplication(HINSTANCE instance) : instance_(instance) {
    RegisterApplicationClass(instance);
    window_.reset(::CreateWindowExW(0, kApplicationClass, kApplicationTitle, WS_POPUP, 0, 0, 0, 0,
                                    nullptr, nullptr, instance, nullptr));
}

void TApplication::SetTitle(const std::wstring& title) {
    ::SetWindowTextW(window_.get(), title.c_str());
}

int TApplication::Run() {
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    MarkApplicationTerminated();
    return 0;
}

} // namespace veyra
