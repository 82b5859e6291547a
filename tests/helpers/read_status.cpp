// Prints the splash window's status line (UTF-8) for end-to-end tests, asking the running
// VeyraLauncher through its status query message. Exit code 1 when there is no splash window or
// no answer.
#include "support/NarrowText_win.h"
#include "ui/SplashWindow_win.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring gAnswer;
bool gAnswered = false;

LRESULT CALLBACK ReceiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        gAnswer.assign(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
        gAnswered = true;
        return TRUE;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int wmain() {
    const HWND splash = ::FindWindowW(veyra::kSplashClass, nullptr);
    if (!splash)
        return 1;
    WNDCLASSW receiverClass{};
    receiverClass.lpfnWndProc = ReceiverProc;
    receiverClass.hInstance = ::GetModuleHandleW(nullptr);
    receiverClass.lpszClassName = L"VeyraStatusReceiver";
    ::RegisterClassW(&receiverClass);
    const veyra::UniqueWindow receiver(::CreateWindowExW(0, receiverClass.lpszClassName, L"", 0, 0,
                                                         0, 0, 0, HWND_MESSAGE, nullptr,
                                                         receiverClass.hInstance, nullptr));
    const UINT query = ::RegisterWindowMessageW(veyra::kStatusQueryMessageName);
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(splash, query, reinterpret_cast<WPARAM>(receiver.get()), 0,
                          SMTO_ABORTIFHUNG, 5000, &result);
    if (!gAnswered)
        return 1;
    const std::string text = veyra::Narrow(gAnswer, CP_UTF8);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    return 0;
}
