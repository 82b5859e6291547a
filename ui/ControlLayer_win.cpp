#include "ui/ControlLayer_win.h"

#include "resources/Layout.h"

namespace veyra {
namespace {

ATOM RegisterControlLayerClass(HINSTANCE instance, WNDPROC windowProc) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kControlLayerClass;
    return ::RegisterClassExW(&windowClass); // fails harmlessly when already registered
}

} // namespace

ControlLayer::ControlLayer(HINSTANCE instance, HWND splash, HBITMAP shapeBitmap,
                           PaintFunction paint)
    : splash_(splash), shapeBitmap_(shapeBitmap), paint_(std::move(paint)) {
    RegisterControlLayerClass(instance, &ControlLayer::WindowProc);
    // Placed by the program (TakeSplashBounds), never by the system.
    window_.reset(::CreateWindowExW(WS_EX_LAYERED, kControlLayerClass, L"", WS_POPUP, 0, 0,
                                    layout::kWindowWidth, layout::kWindowHeight, splash, nullptr,
                                    instance, this));
}

ControlLayer::~ControlLayer() {
    if (window_)
        ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
    window_.reset();
}

void ControlLayer::SetKeyColor(COLORREF color) {
    if (!backgroundBrush_ || color != background_) {
        background_ = color;
        backgroundBrush_.reset(::CreateSolidBrush(color));
    }
    ::SetLayeredWindowAttributes(handle_, color, 255, LWA_COLORKEY);
}

void ControlLayer::TakeSplashBounds() {
    RECT bounds{};
    if (!::GetWindowRect(splash_, &bounds))
        return;
    ::SetWindowPos(handle_, nullptr, bounds.left, bounds.top, bounds.right - bounds.left,
                   bounds.bottom - bounds.top, SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
}

void ControlLayer::Show() {
    // The splash window keeps the activation: the layer never takes input of its own.
    ::ShowWindow(handle_, SW_SHOWNOACTIVATE);
}

void ControlLayer::Hide() {
    ::ShowWindow(handle_, SW_HIDE);
}

bool ControlLayer::Visible() const {
    return ::IsWindowVisible(handle_) != FALSE;
}

LRESULT CALLBACK ControlLayer::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<ControlLayer*>(
            reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->handle_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<ControlLayer*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->Dispatch(message, wParam, lParam)
                : ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT ControlLayer::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        EraseBackground(reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_PAINT: {
        const PaintScope paint(handle_);
        paint_(paint.dc(), paint.area());
        return 0;
    }
    case WM_PRINTCLIENT: {
        RECT client{};
        ::GetClientRect(handle_, &client);
        paint_(reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    case WM_NCHITTEST:
        return HTTRANSPARENT; // presses fall through to the splash window, which drags
    case WM_CLOSE:
        // Alt+F4 while the layer is active closes the splash window.
        return ::SendMessageW(splash_, WM_CLOSE, wParam, lParam);
    default:
        return ::DefWindowProcW(handle_, message, wParam, lParam);
    }
}

void ControlLayer::EraseBackground(HDC dc) {
    RECT client{};
    ::GetClientRect(handle_, &client);
    ::FillRect(dc, &client, backgroundBrush_.get());
    // Each visible component stands on the background picture's own pixels.
    const UniqueMemoryDc shape(::CreateCompatibleDC(dc));
    if (!shape || !shapeBitmap_)
        return;
    const SelectedObject selected(shape.get(), shapeBitmap_);
    for (const layout::Rect& r : layout::kVisibleComponents)
        ::BitBlt(dc, r.left, r.top, r.width, r.height, shape.get(), r.left, r.top, SRCCOPY);
}

} // namespace veyra
