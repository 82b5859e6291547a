#include "ui/ControlLayer_win.h"

#include "image/PixelTypes_win.h"
#include "resources/Layout.h"

namespace veyra {

ControlLayer::ControlLayer(HINSTANCE instance, HWND splash, HBITMAP shapeBitmap,
                           PaintFunction paint)
    : splash_(splash), shapeBitmap_(shapeBitmap), paint_(std::move(paint)) {
    // Placed by the program (TakeSplashBounds), never by the system.
    Create(instance, {kControlLayerClass},
           {WS_EX_LAYERED, WS_POPUP, L"", {layout::kWindowWidth, layout::kWindowHeight}, splash});
}

ControlLayer::~ControlLayer() {
    Destroy(); // while paint_ and the brush still exist
}

void ControlLayer::SetKeyColor(ColorRef color) {
    if (!backgroundBrush_ || color != background_) {
        background_ = color;
        backgroundBrush_.reset(::CreateSolidBrush(ToWinColor(color)));
    }
    ::SetLayeredWindowAttributes(Hwnd(), ToWinColor(color), 255, LWA_COLORKEY);
}

void ControlLayer::TakeSplashBounds() {
    RECT bounds{};
    if (!::GetWindowRect(splash_, &bounds))
        return;
    ::SetWindowPos(Hwnd(), nullptr, bounds.left, bounds.top, bounds.right - bounds.left,
                   bounds.bottom - bounds.top, SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
}

void ControlLayer::Show() {
    // The splash window keeps the activation: the layer never takes input of its own.
    ::ShowWindow(Hwnd(), SW_SHOWNOACTIVATE);
}

void ControlLayer::Hide() {
    ::ShowWindow(Hwnd(), SW_HIDE);
}

bool ControlLayer::Visible() const {
    return ::IsWindowVisible(Hwnd()) != FALSE;
}

LRESULT ControlLayer::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        EraseBackground(reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_PAINT: {
        const PaintScope paint(Hwnd());
        paint_(paint.dc(), paint.area());
        return 0;
    }
    case WM_PRINTCLIENT: {
        RECT client{};
        ::GetClientRect(Hwnd(), &client);
        paint_(reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    case WM_NCHITTEST:
        return HTTRANSPARENT; // presses fall through to the splash window, which drags
    case WM_CLOSE:
        // Alt+F4 while the layer is active closes the splash window.
        return ::SendMessageW(splash_, WM_CLOSE, wParam, lParam);
    default:
        return ::DefWindowProcW(Hwnd(), message, wParam, lParam);
    }
}

void ControlLayer::EraseBackground(HDC dc) {
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
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
