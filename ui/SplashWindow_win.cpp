#include "ui/SplashWindow_win.h"

#include "image/PixelTypes_win.h"
#include "image/Pixels.h"
#include "resources/Layout.h"
#include "support/AppTermination.h"
#include "ui/LayoutRect_win.h"
#include "ui/SplashImage.h"
#include "ui/SplashPainter_win.h"
#include "ui/WindowPosition.h"
#include "ui/WindowThreadTask_win.h"

namespace veyra {
namespace {

constexpr UINT_PTR kCloseTimerId = 1;
constexpr WPARAM kDragCommand = 0xF012; // SC_MOVE plus the caption hit code

UINT StatusQueryMessage() {
    static const UINT message = ::RegisterWindowMessageW(kStatusQueryMessageName);
    return message;
}

constexpr auto& kManager = layout::kVeyraLauncherManager;
// What this window supports of the translucency settings.
static_assert(kManager.Mode == layout::TranslucencyMode::tfmLayeredWindow);
static_assert(kManager.MaskFromImage == layout::Component::BACKGROUND);
static_assert(!kManager.AutoSize && layout::kBackground.width == layout::kWindowWidth &&
              layout::kBackground.height == layout::kWindowHeight);

// The system reads these records by its own layout, for each bitness: the layered image's blend,
// point and size, and the status answer it copies into the asking process.
#if defined(_WIN64)
static_assert(sizeof(COPYDATASTRUCT) == 24);
#else
static_assert(sizeof(COPYDATASTRUCT) == 12);
#endif
static_assert(sizeof(BLENDFUNCTION) == 4 && sizeof(POINT) == 8 && sizeof(SIZE) == 8);

HFONT CreateTahoma() {
    return ::CreateFontW(layout::kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                         DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, layout::kFontName);
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

T_VeyraLauncher::T_VeyraLauncher(HINSTANCE instance, StartUpdateProcedure startUpdate, Hooks hooks)
    : instance_(instance), infoFont_(CreateTahoma()), hooks_(std::move(hooks)),
      status_(layout::kInitialStatus) {
    if (!hooks_.setTimer)
        hooks_.setTimer = [](HWND window, UINT_PTR id, UINT ms) {
            return ::SetTimer(window, id, ms, nullptr);
        };
    if (!hooks_.closeTimerTick)
        hooks_.closeTimerTick = [] { ::ExitProcess(0); };
    if (!hooks_.loadArtwork)
        hooks_.loadArtwork = &LoadSplashArtwork;
    if (!hooks_.updateLayeredWindow)
        hooks_.updateLayeredWindow = &::UpdateLayeredWindow;
    artwork_ = hooks_.loadArtwork(instance);
    if (!artwork_.logo.frames.empty())
        logo_ = std::make_unique<LogoAnimation>(std::move(artwork_.logo),
                                                ToRgb(SystemColor(COLOR_WINDOW)));
    // Topmost from the start as well as by FormCreate: Wine, when it makes a window with owned
    // windows (the control layer) topmost, links it below them and drops the flag unless the
    // window already has it.
    Create(instance,
           {kSplashClass, ::LoadIconW(instance, L"MAINICON"), ::GetSysColorBrush(COLOR_BTNFACE)},
           {WS_EX_APPWINDOW | WS_EX_TOPMOST,
            WS_POPUP,
            kSplashCaption,
            {layout::kWindowWidth, layout::kWindowHeight}});
    // Without a window nothing could show the update's progress or failure, or end it: it is not
    // started, and the caller ends the program.
    if (!Handle())
        return;
    // The end of loading: the shape bitmap once, then the translucency (the window is hidden).
    if (artwork_.background.width > 0 && artwork_.background.height > 0) {
        shape_ = PremultipliedShape(artwork_.background);
        shapeBitmap_ = CreatePictureBitmap(shape_);
    }
    InstallTranslucency();
    // Animate is on from the layout; its first step runs once the window thread takes messages.
    if (logo_)
        logo_->Start(Hwnd(), [this] { return ComponentsWindow(); });
    FormCreate(startUpdate);
}

T_VeyraLauncher::~T_VeyraLauncher() {
    logo_.reset(); // its timer thread ends first: it sends to the window
    // Messages of the windows' destruction must not reach an object that is half gone.
    Detach();
    layer_.reset(); // before its owner, which would otherwise destroy it behind its back
    Destroy();
}

void T_VeyraLauncher::FormCreate(const StartUpdateProcedure& startUpdate) {
    ::SetWindowPos(Hwnd(), HWND_TOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    if (startUpdate)
        startUpdate(*this);
}

void T_VeyraLauncher::AnswerStatusQuery(HWND asker) {
    COPYDATASTRUCT data{};
    data.cbData = static_cast<DWORD>(status_.size() * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(status_.data());
    ::SendMessageTimeoutW(asker, WM_COPYDATA, reinterpret_cast<WPARAM>(Hwnd()),
                          reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 2000, nullptr);
}

void T_VeyraLauncher::Show(WindowShowState state) {
    if (!shownOnce_) {
        shownOnce_ = true;
        RECT work{};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        const ScreenPoint at = FirstShowPosition(
            {work.left, work.top, work.right, work.bottom}, ::GetSystemMetrics(SM_XVIRTUALSCREEN),
            ::GetSystemMetrics(SM_YVIRTUALSCREEN), layout::kWindowWidth, layout::kWindowHeight);
        ::SetWindowPos(Hwnd(), nullptr, at.x, at.y, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::ShowWindow(Hwnd(), ShowCommandFor(state));
}

void T_VeyraLauncher::SetStatusText(const std::wstring& text) {
    RunOnWindowThread(Hwnd(), [&] { DoSetStatusText(text); });
}

void T_VeyraLauncher::StopLogoAnimation() {
    RunOnWindowThread(Hwnd(), [&] { DoStopLogoAnimation(); });
}

void T_VeyraLauncher::StartCloseTimer() {
    RunOnWindowThread(Hwnd(), [&] { DoStartCloseTimer(); });
}

LRESULT T_VeyraLauncher::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    // Every point is the caption: a press anywhere the window is not cut out drags it.
    if (message == WM_NCHITTEST && kManager.Active && kManager.MovableForm)
        return HTCAPTION;
    const LRESULT result = HandleNormally(message, wParam, lParam);
    if (kManager.Active)
        AfterMessage(message, wParam, lParam);
    return result;
}

LRESULT T_VeyraLauncher::HandleNormally(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        const PaintScope paint(Hwnd());
        // On the layered window nothing painted would show: its look is the layered image.
        if (!componentsOnLayer_)
            PaintComponents(paint.dc(), paint.area());
        return 0;
    }
    case WM_PRINTCLIENT:
        if (!componentsOnLayer_) {
            RECT client{};
            ::GetClientRect(Hwnd(), &client);
            PaintComponents(reinterpret_cast<HDC>(wParam), client);
        }
        return 0;
    case WM_ERASEBKGND:
        return 1; // painting covers the whole client area
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        BACKGROUNDMouseDown(message);
        return 0;
    case WM_TIMER:
        if (wParam == kCloseTimerId)
            TimerToCloseTimer();
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    default:
        if (message == StatusQueryMessage() && message != 0) {
            AnswerStatusQuery(reinterpret_cast<HWND>(wParam));
            return 1;
        }
        return ::DefWindowProcW(Hwnd(), message, wParam, lParam);
    }
}

void T_VeyraLauncher::AfterMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOVE:
    case WM_SIZE:
    case WM_MOVING:
    case WM_SIZING:
        // The components never part from the background picture.
        if (layer_)
            layer_->TakeSplashBounds();
        break;
    case WM_SHOWWINDOW:
        if (wParam)
            InstallTranslucency();
        else if (layer_)
            layer_->Hide();
        break;
    case WM_WINDOWPOSCHANGED:
        // WM_SHOWWINDOW comes before the window is visible, so the layer follows it here, once
        // it is: shown any earlier, Wine would stack the window above it. A minimised window's
        // components go with it, and come back when it is restored.
        if (layer_) {
            const bool wanted = ::IsWindowVisible(Hwnd()) && !::IsIconic(Hwnd());
            if (wanted && !layer_->Visible())
                layer_->Show();
            else if (!wanted && layer_->Visible())
                layer_->Hide();
        }
        break;
    case WM_SETFOCUS:
        if (layer_ && layer_->Visible())
            ::SendMessageW(layer_->Handle(), WM_SETFOCUS, wParam, lParam); // its own handling
        break;
    default:
        break;
    }
}

void T_VeyraLauncher::InstallTranslucency() {
    if (!kManager.Active)
        return;
    const LONG style = ::GetWindowLongW(Hwnd(), GWL_STYLE);
    ::SetWindowLongW(
        Hwnd(), GWL_STYLE,
        style & ~(WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    if (!shapeBitmap_)
        return; // no picture, no shape: an ordinary borderless window
    if (!layer_)
        layer_ = std::make_unique<ControlLayer>(
            instance_, Hwnd(), shapeBitmap_.get(),
            [this](HDC dc, const RECT& area) { PaintComponents(dc, area); });
    layer_->SetKeyColor(kManager.LayeredTransparentControlColor);
    layer_->TakeSplashBounds();
    componentsOnLayer_ = true; // INFO is drawn transparent wherever it is
    ::SetWindowLongW(Hwnd(), GWL_EXSTYLE, ::GetWindowLongW(Hwnd(), GWL_EXSTYLE) | WS_EX_LAYERED);

    SIZE size{shape_.width, shape_.height};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, kManager.LayeredAlphaValue, AC_SRC_ALPHA};
    const UniqueMemoryDc shapeDc(::CreateCompatibleDC(nullptr));
    if (shapeDc) {
        const SelectedObject selected(shapeDc.get(), shapeBitmap_.get());
        hooks_.updateLayeredWindow(Hwnd(), nullptr, nullptr, &size, shapeDc.get(), &source, 0,
                                   &blend, ULW_ALPHA); // its result changes nothing here
    }
    if (::IsWindowVisible(Hwnd()))
        layer_->Show();
}

void T_VeyraLauncher::PaintComponents(HDC dc, const RECT& area) {
    // An animation step asks for the logo's rectangle alone: only that is composed and copied.
    const layout::Rect& l = layout::kLogo;
    if (logo_ && area.left >= l.left && area.top >= l.top && area.right <= l.right() &&
        area.bottom <= l.bottom()) {
        PaintLogo(dc);
        return;
    }
    const LogoView logo = logo_ ? logo_->CurrentView() : LogoView{};
    const DibImage picture =
        componentsOnLayer_ ? ComposeControlLayer(shape_, kManager.LayeredTransparentControlColor,
                                                 logo, artwork_.caption)
                           : ComposePlainWindow(SystemColor(COLOR_BTNFACE), logo, artwork_.caption);
    PaintSplash(dc, picture, infoFont_.get(), status_);
}

void T_VeyraLauncher::PaintLogo(HDC dc) {
    const LogoView logo = logo_->CurrentView();
    const DibImage part = componentsOnLayer_
                              ? ComposeLogoOnControlLayer(shape_, logo)
                              : ComposeLogoOnPlainWindow(SystemColor(COLOR_BTNFACE), logo);
    logoImage_.Paint(dc, part, layout::kLogo.left, layout::kLogo.top);
}

HWND T_VeyraLauncher::ComponentsWindow() const {
    return componentsOnLayer_ ? layer_->Handle() : Hwnd();
}

void T_VeyraLauncher::BACKGROUNDMouseDown(UINT message) {
    if (message != WM_LBUTTONDOWN)
        return;
    // The system's move loop drags the window until the button is released.
    ::ReleaseCapture();
    Dispatch(WM_SYSCOMMAND, kDragCommand, 0);
}

void T_VeyraLauncher::TimerToCloseTimer() {
    hooks_.closeTimerTick();
}

void T_VeyraLauncher::OnClose() {
    // The window is the application's main window: a close request, never refused, ends the
    // message loop. The window stays as it is until the program ends.
    MarkApplicationTerminated();
    ::PostQuitMessage(0);
}

void T_VeyraLauncher::DoSetStatusText(const std::wstring& text) {
    status_ = text;
    // Erased first, so the background picture wipes the old text.
    const RECT info = ToRect(layout::kInfo);
    ::InvalidateRect(ComponentsWindow(), &info, TRUE);
}

void T_VeyraLauncher::DoStopLogoAnimation() {
    if (logo_)
        logo_->Stop();
}

void T_VeyraLauncher::DoStartCloseTimer() {
    if (closeTimerOn_)
        return;
    closeTimerOn_ = true; // on from the first attempt, even if the system refuses
    if (hooks_.setTimer(Hwnd(), kCloseTimerId, layout::kCloseTimerIntervalMs) == 0)
        throw TimerUnavailableError();
}

} // namespace veyra
