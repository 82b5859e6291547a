#include "ui/Window_win.h"

#include "ui/WindowThreadTask_win.h"

namespace veyra {

// The system reads the class record by its own layout, which its cbSize names, for each bitness.
#if defined(_WIN64)
static_assert(sizeof(WNDCLASSEXW) == 80);
#else
static_assert(sizeof(WNDCLASSEXW) == 48);
#endif

Window::~Window() {
    Destroy();
}

void Window::Create(HINSTANCE instance, const WindowClass& windowClass,
                    const WindowCreation& creation) {
    WNDCLASSEXW record{};
    record.cbSize = sizeof(record);
    record.lpfnWndProc = &Window::WindowProc;
    record.hInstance = instance;
    record.hIcon = windowClass.icon;
    record.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    record.hbrBackground = windowClass.background;
    record.lpszClassName = windowClass.name;
    ::RegisterClassExW(&record);
    window_.reset(::CreateWindowExW(creation.exStyle, windowClass.name, creation.caption,
                                    creation.style, 0, 0, creation.size.cx, creation.size.cy,
                                    creation.owner, nullptr, instance, this));
}

void Window::Detach() {
    if (window_)
        ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

void Window::Destroy() {
    Detach();
    window_.reset();
}

LRESULT CALLBACK Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<Window*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->handle_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return ::DefWindowProcW(window, message, wParam, lParam);
    if (IsWindowThreadTask(message)) {
        RunWindowThreadTask(lParam);
        return 0;
    }
    return self->Dispatch(message, wParam, lParam);
}

} // namespace veyra
