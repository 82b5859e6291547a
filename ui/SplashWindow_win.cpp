#include "ui/SplashWindow_win.h"

#include "support/AppTermination.h"

namespace veyra {
namespace {

ATOM RegisterSplashClass(HINSTANCE instance, WNDPROC windowProc) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = ::LoadIconW(instance, L"MAINICON");
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kSplashClass;
    return ::RegisterClassExW(&windowClass);
}

int ShowCommandFor(WindowShowState state) {
    switch (state) {
    case WindowShowState::Maximized:
        return SW_SHOWMAXIMIZED;
    case WindowShowState::Minimized:
        return SW_SHOWMINNOACTIVE;
    default:
        return SW_SHOWNORMAL;
    }
}

} // namespace

T_VeyraLauncher::T_VeyraLauncher(HINSTANCE instance) {
    RegisterSplashClass(instance, &T_VeyraLauncher::WindowProc);
    window_.reset(::CreateWindowExW(WS_EX_APPWINDOW, kSplashClass, kSplashCaption, WS_POPUP, 0, 0,
                                    kSplashWidth, kSplashHeight, nullptr, nullptr, instance, this));
}

T_VeyraLauncher::~T_VeyraLauncher() {
    // Messages of the window's destruction must not reach an object that is half gone.
    if (window_)
        ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
    window_.reset();
}

void T_VeyraLauncher::Show(WindowShowState state) {
    ::ShowWindow(Handle(), ShowCommandFor(state));
}

LRESULT CALLBACK T_VeyraLauncher::WindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<T_VeyraLauncher*>(
            reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->handle_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<T_VeyraLauncher*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->Dispatch(message, wParam, lParam)
                : ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT T_VeyraLauncher::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    default:
        return ::DefWindowProcW(handle_, message, wParam, lParam);
    }
}

void T_VeyraLauncher::OnPaint() {
    const PaintScope paint(handle_);
    const SelectedObject font(paint.dc(), ::GetStockObject(DEFAULT_GUI_FONT));
    RECT status{8, 208, 8 + 284, 208 + 13};
    ::SetBkMode(paint.dc(), TRANSPARENT);
    ::DrawTextW(paint.dc(), status_.c_str(), -1, &status, DT_CENTER | DT_EXPANDTABS);
}

void T_VeyraLauncher::OnClose() {
    // The window is the application's main window: a close request, never refused, ends the
    // message loop. The window stays as it is until the program ends.
    MarkApplicationTerminated();
    ::PostQuitMessage(0);
}

} // namespace veyra
