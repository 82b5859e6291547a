#include "ui/SplashWindow_win.h"

#include "resources/Layout.h"
#include "support/AppTermination.h"
#include "ui/Pixels.h"
#include "ui/SplashImage.h"
#include "ui/SplashPainter_win.h"
#include "ui/WindowPosition.h"

#include <exception>

namespace veyra {
namespace {

// The worker's calls travel to the window's thread as these messages (SendMessage: the caller
// waits, and a failure comes back through the message's result slot).
constexpr UINT kSetStatusTextMessage = WM_APP + 1;   // lParam: const std::wstring*
constexpr UINT kStopLogoMessage = WM_APP + 2;        //
constexpr UINT kStartCloseTimerMessage = WM_APP + 3; // lParam: std::exception_ptr* for a failure
// The logo's timer thread hands each animation step over with this message (SendMessage too).
constexpr UINT kLogoStepMessage = WM_APP + 4;
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

// The system reads these records by its own layout, for each bitness: the class record (its cbSize
// names the layout), the layered image's blend, point and size, and the status answer it copies
// into the asking process.
#if defined(_WIN64)
static_assert(sizeof(COPYDATASTRUCT) == 24 && sizeof(WNDCLASSEXW) == 80);
#else
static_assert(sizeof(COPYDATASTRUCT) == 12 && sizeof(WNDCLASSEXW) == 48);
#endif
static_assert(sizeof(BLENDFUNCTION) == 4 && sizeof(POINT) == 8 && sizeof(SIZE) == 8);

RECT ToRect(const layout::Rect& r) {
    return {r.left, r.top, r.right(), r.bottom()};
}

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
        logo_ =
            std::make_unique<LogoAnimation>(std::move(artwork_.logo), ::GetSysColor(COLOR_WINDOW));
    RegisterSplashClass(instance, &T_VeyraLauncher::WindowProc);
    // Topmost from the start as well as by FormCreate: Wine, when it makes a window with owned
    // windows (the control layer) topmost, links it below them and drops the flag unless the
    // window already has it.
    window_.reset(::CreateWindowExW(WS_EX_APPWINDOW | WS_EX_TOPMOST, kSplashClass, kSplashCaption,
                                    WS_POPUP, 0, 0, layout::kWindowWidth, layout::kWindowHeight,
                                    nullptr, nullptr, instance, this));
    // The end of loading: the shape bitmap once, then the translucency (the window is hidden).
    if (artwork_.background.width > 0 && artwork_.background.height > 0) {
        shape_ = PremultipliedShape(artwork_.background);
        shapeBitmap_ = CreatePictureBitmap(shape_);
    }
    InstallTranslucency();
    // Animate is on from the layout; its first step runs once the window thread takes messages.
    if (logo_)
        logo_->Start(handle_, kLogoStepMessage, [this] { return ComponentsWindow(); });
    FormCreate(startUpdate);
}

T_VeyraLauncher::~T_VeyraLauncher() {
    logo_.reset(); // its timer thread ends first: it sends to the window
    // Messages of the windows' destruction must not reach an object that is half gone.
    if (window_)
        ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
    layer_.reset(); // before its owner, which would otherwise destroy it behind its back
    window_.reset();
}

void T_VeyraLauncher::FormCreate(const StartUpdateProcedure& startUpdate) {
    ::SetWindowPos(handle_, HWND_TOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    if (startUpdate)
        startUpdate(*this);
}

void T_VeyraLauncher::AnswerStatusQuery(HWND asker) {
    COPYDATASTRUCT data{};
    data.cbData = static_cast<DWORD>(status_.size() * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(status_.data());
    ::SendMessageTimeoutW(asker, WM_COPYDATA, reinterpret_cast<WPARAM>(handle_),
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
        ::SetWindowPos(handle_, nullptr, at.x, at.y, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::ShowWindow(handle_, ShowCommandFor(state));
}

void T_VeyraLauncher::SetStatusText(const std::wstring& text) {
    ::SendMessageW(handle_, kSetStatusTextMessage, 0, reinterpret_cast<LPARAM>(&text));
}

void T_VeyraLauncher::StopLogoAnimation() {
    ::SendMessageW(handle_, kStopLogoMessage, 0, 0);
}

void T_VeyraLauncher::StartCloseTimer() {
    std::exception_ptr failure;
    ::SendMessageW(handle_, kStartCloseTimerMessage, 0, reinterpret_cast<LPARAM>(&failure));
    if (failure)
        std::rethrow_exception(failure);
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
        const PaintScope paint(handle_);
        // On the layered window nothing painted would show: its look is the layered image.
        if (!componentsOnLayer_)
            PaintComponents(paint.dc(), paint.area());
        return 0;
    }
    case WM_PRINTCLIENT:
        if (!componentsOnLayer_) {
            RECT client{};
            ::GetClientRect(handle_, &client);
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
    case kSetStatusTextMessage:
        DoSetStatusText(*reinterpret_cast<const std::wstring*>(lParam));
        return 0;
    case kStopLogoMessage:
        DoStopLogoAnimation();
        return 0;
    case kLogoStepMessage:
        if (logo_)
            logo_->Tick();
        return 0;
    case kStartCloseTimerMessage:
        try {
            DoStartCloseTimer();
        } catch (...) {
            *reinterpret_cast<std::exception_ptr*>(lParam) = std::current_exception();
        }
        return 0;
    default:
        if (message == StatusQueryMessage() && message != 0) {
            AnswerStatusQuery(reinterpret_cast<HWND>(wParam));
            return 1;
        }
        return ::DefWindowProcW(handle_, message, wParam, lParam);
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
            const bool wanted = ::IsWindowVisible(handle_) && !::IsIconic(handle_);
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
    const LONG style = ::GetWindowLongW(handle_, GWL_STYLE);
    ::SetWindowLongW(
        handle_, GWL_STYLE,
        style & ~(WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    if (!shapeBitmap_)
        return; // no picture, no shape: an ordinary borderless window
    if (!layer_)
        layer_ = std::make_unique<ControlLayer>(
            instance_, handle_, shapeBitmap_.get(),
            [this](HDC dc, const RECT& area) { PaintComponents(dc, area); });
    layer_->SetKeyColor(kManager.LayeredTransparentControlColor);
    layer_->TakeSplashBounds();
    componentsOnLayer_ = true; // INFO is drawn transparent wherever it is
    ::SetWindowLongW(handle_, GWL_EXSTYLE, ::GetWindowLongW(handle_, GWL_EXSTYLE) | WS_EX_LAYERED);

    SIZE size{shape_.width, shape_.height};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, kManager.LayeredAlphaValue, AC_SRC_ALPHA};
    const UniqueMemoryDc shapeDc(::CreateCompatibleDC(nullptr));
    if (shapeDc) {
        const SelectedObject selected(shapeDc.get(), shapeBitmap_.get());
        hooks_.updateLayeredWindow(handle_, nullptr, nullptr, &size, shapeDc.get(), &source, 0,
                                   &blend, ULW_ALPHA); // its result changes nothing here
    }
    if (::IsWindowVisible(handle_))
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
    const BgraImage picture =
        componentsOnLayer_
            ? ComposeControlLayer(shape_, kManager.LayeredTransparentControlColor, logo,
                                  artwork_.caption)
            : ComposePlainWindow(::GetSysColor(COLOR_BTNFACE), logo, artwork_.caption);
    PaintSplash(dc, picture, infoFont_.get(), status_);
}

void T_VeyraLauncher::PaintLogo(HDC dc) {
    const LogoView logo = logo_->CurrentView();
    const BgraImage part = componentsOnLayer_
                               ? ComposeLogoOnControlLayer(shape_, logo)
                               : ComposeLogoOnPlainWindow(::GetSysColor(COLOR_BTNFACE), logo);
    logoImage_.Paint(dc, part, layout::kLogo.left, layout::kLogo.top);
}

HWND T_VeyraLauncher::ComponentsWindow() const {
    return componentsOnLayer_ ? layer_->Handle() : handle_;
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
    if (hooks_.setTimer(handle_, kCloseTimerId, layout::kCloseTimerIntervalMs) == 0)
        throw TimerUnavailableError();
}

} // namespace veyra
