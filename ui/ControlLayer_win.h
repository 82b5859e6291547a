#pragma once
// The control layer of the translucent splash window: a second top-level window, owned by the
// splash window (so it lies above it and has no taskbar button), with the splash window's
// bounds. It holds the visible components. Its background is the key colour, which the system
// cuts out for the eye and the mouse alike, so only the components' rectangles show; it answers
// every hit test with HTTRANSPARENT, so presses on the components reach the splash window too.
#include "image/PixelTypes.h"
#include "support/WinHandle_win.h"
#include "ui/Window_win.h"

#include <windows.h>

#include <functional>

namespace veyra {

inline constexpr wchar_t kControlLayerClass[] = L"TVeyraControlLayer";

class ControlLayer final : public Window {
public:
    // Creates the layer hidden, WS_POPUP with WS_EX_LAYERED, owned by `splash`. `shapeBitmap`
    // (the shape bitmap, whose pixels the erase copies) must outlive the layer; `paint` draws the
    // components on the DC it is given, at least inside the rectangle it is given (the part that
    // needs painting).
    using PaintFunction = std::function<void(HDC, const RECT&)>;
    ControlLayer(HINSTANCE instance, HWND splash, HBITMAP shapeBitmap, PaintFunction paint);
    ~ControlLayer() override;

    // `color` becomes the background colour and the key colour, and the key is on.
    void SetKeyColor(ColorRef color);
    // The splash window's bounds become the layer's.
    void TakeSplashBounds();
    void Show();
    void Hide();
    bool Visible() const;

private:
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam) override;
    void EraseBackground(HDC dc);

    HWND splash_;
    HBITMAP shapeBitmap_;
    PaintFunction paint_;
    ColorRef background_;
    UniqueBrush backgroundBrush_;
};

} // namespace veyra
