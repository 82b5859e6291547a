#pragma once
// The splash window of update mode, class T_VeyraLauncher: frame-less, 300 x 284, topmost, with
// its own taskbar button; components BACKGROUND, LOGO, DESC_LOGO and INFO (the status line).
// A close request ends the message loop; the close timer ends the process.
// Translucent: the window is a per-pixel-alpha layered window whose image is the background
// picture, so its outline is cut out from the picture; the visible components sit on a
// colour-keyed control layer over it. Every point of the window is its caption, so a press on
// any visible pixel drags both windows.
#include "resources/Layout.h"
#include "support/WinHandle_win.h"
#include "ui/ControlLayer_win.h"
#include "ui/LogoAnimation_win.h"
#include "ui/ShowState.h"
#include "ui/SplashArtwork_win.h"
#include "ui/SplashPainter_win.h"
#include "update/SplashOperations.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace veyra {

inline constexpr wchar_t kSplashClass[] = L"T_VeyraLauncher";
inline constexpr wchar_t kSplashCaption[] = L"_VeyraLauncher";
// A registered message by which another program (test tools, accessibility helpers) reads the
// status line: sent with wParam = the asking window, it answers with WM_COPYDATA holding the
// text (UTF-16, no terminator) and returns 1.
inline constexpr wchar_t kStatusQueryMessageName[] = L"VeyraLauncher.StatusText";

class T_VeyraLauncher final : public Window, public SplashOperations {
public:
    using UpdateLayeredWindowFunction =
        std::function<BOOL(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD)>;

    // Seams for tests: how the close timer is asked for, what its tick does, where the pictures
    // come from, and the hand-over of the layered image.
    struct Hooks {
        std::function<UINT_PTR(HWND, UINT_PTR, UINT)> setTimer; // default ::SetTimer
        std::function<void()> closeTimerTick;                   // default ExitProcess(0)
        std::function<SplashArtwork(HMODULE)> loadArtwork;      // default LoadSplashArtwork
        UpdateLayeredWindowFunction updateLayeredWindow;        // default ::UpdateLayeredWindow
    };

    // Creates the window (hidden) and runs FormCreate, which makes it topmost and then calls
    // `startUpdate` with the window's operations (when given). When the window cannot be created,
    // Handle() is null and nothing else is done.
    using StartUpdateProcedure = std::function<void(SplashOperations&)>;
    T_VeyraLauncher(HINSTANCE instance, StartUpdateProcedure startUpdate = {}, Hooks hooks = {});
    ~T_VeyraLauncher() override;

    // The control layer; null when there is no background picture to take a shape from.
    HWND ControlLayerHandle() const { return layer_ ? layer_->Handle() : nullptr; }
    // The first show places the window (work-area rule) before showing it.
    void Show(WindowShowState state);

    void SetStatusText(const std::wstring& text) override;
    void StopLogoAnimation() override;
    void StartCloseTimer() override;

    // Read back on the window's thread (tests).
    std::wstring StatusText() const { return status_; }
    bool LogoAnimating() const { return logo_ && logo_->Animating(); }
    // LOGO's current frame index; from any thread (tests).
    int LogoFrameIndex() const { return logo_ ? logo_->FrameIndex() : 0; }

private:
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT HandleNormally(UINT message, WPARAM wParam, LPARAM lParam);
    void AfterMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void InstallTranslucency();
    void FormCreate(const StartUpdateProcedure& startUpdate);
    void AnswerStatusQuery(HWND asker);
    void PaintComponents(HDC dc, const RECT& area);
    void PaintLogo(HDC dc);
    HWND ComponentsWindow() const;
    void BACKGROUNDMouseDown(UINT message);
    void TimerToCloseTimer();
    void OnClose();
    void DoSetStatusText(const std::wstring& text);
    void DoStopLogoAnimation();
    void DoStartCloseTimer();

    HINSTANCE instance_;
    UniqueFont infoFont_;
    SplashArtwork artwork_;
    DibImage shape_;           // the shape bitmap's pixels; empty without a background picture
    UniqueBitmap shapeBitmap_; // the same as a GDI bitmap
    std::unique_ptr<ControlLayer> layer_;
    bool componentsOnLayer_ = false;
    // LOGO's frames and animation; none without a logo picture. Its frame index starts at 0:
    // the index stored with the layout is applied before the picture loads, and loading resets it.
    std::unique_ptr<LogoAnimation> logo_;
    // Where an animation step composes the logo's rectangle before it goes to the screen.
    OffscreenImage logoImage_{layout::kLogo.width, layout::kLogo.height};
    Hooks hooks_;
    std::wstring status_;
    bool closeTimerOn_ = false;
    bool shownOnce_ = false;
};

} // namespace veyra
