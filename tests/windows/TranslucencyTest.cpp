#include "SplashTestSupport.h"
#include "app/Application_win.h"
#include "resources/Layout.h"
#include "support/AppTermination.h"
#include "ui/SplashArtwork_win.h"
#include "ui/SplashWindow_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace veyra {
namespace {

using namespace std::chrono_literals;
using test::AlphaOf;
using test::CountColorIn;
using test::PixelOf;
using test::Render;

constexpr Rgb kKeyPixel{254, 254, 254};
constexpr Rgb kInfoText{255, 255, 198};

RECT BoundsOf(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return r;
}

bool SameRect(const RECT& a, const RECT& b) {
    return ::EqualRect(&a, &b) != FALSE;
}

std::string Describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

// Whether `upper` lies above `lower` in the z-order.
bool Above(HWND upper, HWND lower) {
    for (HWND w = ::GetWindow(upper, GW_HWNDNEXT); w; w = ::GetWindow(w, GW_HWNDNEXT))
        if (w == lower)
            return true;
    return false;
}

// One hand-over of the layered image, as the window made it.
struct LayeredImageCall {
    HWND window;
    HDC destination;
    bool newPosition;
    SIZE size;
    bool sourceGiven;
    POINT source;
    COLORREF key;
    BLENDFUNCTION blend;
    DWORD flags;
    Rgb firstOpaqueSourcePixel; // read from the source DC at (150, 30)
};

class TranslucencyTest : public ::testing::Test {
protected:
    void TearDown() override { ClearApplicationTerminated(); }

    // Records every hand-over, then makes it for real.
    T_VeyraLauncher::Hooks RecordingHooks() {
        T_VeyraLauncher::Hooks hooks;
        hooks.updateLayeredWindow = [this](HWND window, HDC destination, POINT* position,
                                           SIZE* size, HDC source, POINT* sourcePoint, COLORREF key,
                                           BLENDFUNCTION* blend, DWORD flags) {
            const COLORREF sample = ::GetPixel(source, 150, 30);
            calls_.push_back({window, destination, position != nullptr, size ? *size : SIZE{},
                              sourcePoint != nullptr, sourcePoint ? *sourcePoint : POINT{}, key,
                              blend ? *blend : BLENDFUNCTION{}, flags,
                              ToRgb(FromWinColor(sample))});
            return ::UpdateLayeredWindow(window, destination, position, size, source, sourcePoint,
                                         key, blend, flags);
        };
        return hooks;
    }

    TApplication application_{::GetModuleHandleW(nullptr)};
    std::vector<LayeredImageCall> calls_;
};

TEST_F(TranslucencyTest, WindowIsLayeredAndItsControlLayerIsColourKeyedAndOwned) {
    T_VeyraLauncher splash(application_.Instance(), {}, RecordingHooks());
    const HWND window = splash.Handle();
    const HWND layer = splash.ControlLayerHandle();
    ASSERT_NE(layer, nullptr);

    const LONG style = ::GetWindowLongW(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style &
                 (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    const LONG exStyle = ::GetWindowLongW(window, GWL_EXSTYLE);
    EXPECT_EQ(exStyle & (WS_EX_LAYERED | WS_EX_APPWINDOW | WS_EX_TOPMOST),
              WS_EX_LAYERED | WS_EX_APPWINDOW | WS_EX_TOPMOST);

    // The layer: WS_POPUP and nothing else (the system adds WS_CLIPSIBLINGS to top-level
    // windows), WS_EX_LAYERED (topmost with its owner), hidden until the window shows.
    EXPECT_EQ(::GetWindowLongW(layer, GWL_STYLE) & ~WS_CLIPSIBLINGS, static_cast<LONG>(WS_POPUP));
    EXPECT_EQ(::GetWindowLongW(layer, GWL_EXSTYLE) & ~WS_EX_TOPMOST, WS_EX_LAYERED);
    EXPECT_EQ(::GetWindow(layer, GW_OWNER), window);
    EXPECT_FALSE(::IsWindowVisible(layer));
    EXPECT_TRUE(SameRect(BoundsOf(layer), BoundsOf(window)))
        << Describe(BoundsOf(layer)) << " vs " << Describe(BoundsOf(window));

    // (The constant alpha is not read back: Wine keeps it only together with LWA_ALPHA.)
    COLORREF key = 0;
    DWORD flags = 0;
    ASSERT_TRUE(::GetLayeredWindowAttributes(layer, &key, nullptr, &flags));
    EXPECT_EQ(key, RGB(254, 254, 254));
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY));

    // The image was handed over once, at creation: the shape bitmap, per-pixel alpha.
    ASSERT_EQ(calls_.size(), 1u);
    const LayeredImageCall& call = calls_[0];
    EXPECT_EQ(call.window, window);
    EXPECT_EQ(call.destination, nullptr);
    EXPECT_FALSE(call.newPosition);
    EXPECT_EQ(call.size.cx, 300);
    EXPECT_EQ(call.size.cy, 284);
    EXPECT_TRUE(call.sourceGiven);
    EXPECT_EQ(call.source.x, 0);
    EXPECT_EQ(call.source.y, 0);
    EXPECT_EQ(call.key, 0u);
    EXPECT_EQ(call.blend.BlendOp, AC_SRC_OVER);
    EXPECT_EQ(call.blend.BlendFlags, 0);
    EXPECT_EQ(call.blend.SourceConstantAlpha, 255);
    EXPECT_EQ(call.blend.AlphaFormat, AC_SRC_ALPHA);
    EXPECT_EQ(call.flags, static_cast<DWORD>(ULW_ALPHA));
    const SplashArtwork art = LoadSplashArtwork(::GetModuleHandleW(nullptr));
    ASSERT_EQ(AlphaOf(art.background, 150, 30), 255);
    EXPECT_EQ(call.firstOpaqueSourcePixel, PixelOf(art.background, 150, 30));
}

TEST_F(TranslucencyTest, ControlLayerGoesWithTheWindow) {
    T_VeyraLauncher splash(application_.Instance(), {}, RecordingHooks());
    const HWND window = splash.Handle();
    const HWND layer = splash.ControlLayerHandle();
    ASSERT_NE(layer, nullptr);

    splash.Show(WindowShowState::Normal);
    EXPECT_TRUE(::IsWindowVisible(layer));
    EXPECT_TRUE(Above(layer, window));
    EXPECT_TRUE(SameRect(BoundsOf(layer), BoundsOf(window)));
    EXPECT_EQ(calls_.size(), 2u); // creation and the show

    ::SetWindowPos(window, nullptr, 100, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(BoundsOf(window).left, 100);
    EXPECT_TRUE(SameRect(BoundsOf(layer), BoundsOf(window))) << Describe(BoundsOf(layer));

    // Each of the moving and sizing messages brings the layer back to the window's bounds.
    for (const UINT message : {WM_MOVE, WM_SIZE, WM_MOVING, WM_SIZING}) {
        ::SetWindowPos(layer, nullptr, 7, 9, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_FALSE(SameRect(BoundsOf(layer), BoundsOf(window)));
        RECT proposed = BoundsOf(window);
        const bool withRect = message == WM_MOVING || message == WM_SIZING;
        ::SendMessageW(window, message, withRect ? WMSZ_BOTTOMRIGHT : 0,
                       withRect ? reinterpret_cast<LPARAM>(&proposed)
                                : MAKELPARAM(proposed.left, proposed.top));
        EXPECT_TRUE(SameRect(BoundsOf(layer), BoundsOf(window)))
            << std::hex << message << " " << Describe(BoundsOf(layer));
    }

    // The operations of the update procedure never hand the image over again.
    splash.SetStatusText(L"Update not found!");
    splash.StopLogoAnimation();
    test::PumpUntil([] { return false; }, 200ms);
    EXPECT_EQ(calls_.size(), 2u);

    ::ShowWindow(window, SW_HIDE);
    EXPECT_FALSE(::IsWindowVisible(layer));
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    EXPECT_TRUE(::IsWindowVisible(layer));
    EXPECT_TRUE(Above(layer, window));
    EXPECT_EQ(calls_.size(), 3u); // handed over again at the new show
    EXPECT_TRUE(SameRect(BoundsOf(layer), BoundsOf(window)));
}

TEST_F(TranslucencyTest, ControlLayerIsHiddenWhileTheWindowIsMinimised) {
    T_VeyraLauncher splash(application_.Instance());
    splash.Show(WindowShowState::Minimized);
    ASSERT_TRUE(::IsIconic(splash.Handle()));
    EXPECT_FALSE(::IsWindowVisible(splash.ControlLayerHandle()));
    ::ShowWindow(splash.Handle(), SW_RESTORE);
    EXPECT_TRUE(::IsWindowVisible(splash.ControlLayerHandle()));
    EXPECT_TRUE(SameRect(BoundsOf(splash.ControlLayerHandle()), BoundsOf(splash.Handle())));
}

TEST_F(TranslucencyTest, WindowIsCaptionEverywhereAndLayerIsTransparentToTheMouse) {
    T_VeyraLauncher splash(application_.Instance());
    splash.Show(WindowShowState::Normal);
    const SplashArtwork art = LoadSplashArtwork(::GetModuleHandleW(nullptr));
    ASSERT_EQ(AlphaOf(art.background, 0, 0), 0); // a cut-out corner
    const RECT bounds = BoundsOf(splash.Handle());
    const struct {
        const char* where;
        int x, y;
    } points[] = {
        {"cut-out corner", 0, 0},      {"LOGO", 150, 100},
        {"DESC_LOGO", 150, 170},       {"INFO", 150, 214},
        {"plain background", 20, 260}, {"bottom-right", 299, 283},
    };
    for (const auto& p : points) {
        const LPARAM at = MAKELPARAM(bounds.left + p.x, bounds.top + p.y);
        EXPECT_EQ(::SendMessageW(splash.Handle(), WM_NCHITTEST, 0, at), HTCAPTION) << p.where;
        EXPECT_EQ(::SendMessageW(splash.ControlLayerHandle(), WM_NCHITTEST, 0, at), HTTRANSPARENT)
            << p.where;
    }
}

// Adds `window` to the list in `list` when it belongs to this process. A callback of the system:
// stdcall in 32-bit, which a lambda's conversion does not give.
BOOL CALLBACK CollectWindowOfThisProcess(HWND window, LPARAM list) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == ::GetCurrentProcessId())
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

// Top-level windows of this process, shown or not.
std::vector<HWND> WindowsOfThisProcess() {
    std::vector<HWND> found;
    ::EnumWindows(&CollectWindowOfThisProcess, reinterpret_cast<LPARAM>(&found));
    return found;
}

void PressButton(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags; // at the cursor's position
    ::SendInput(1, &input, sizeof(input));
}

// What the window thread saw while `gesture` ran as real mouse input on another thread.
struct GestureOutcome {
    std::vector<std::wstring> newWindows; // classes of top-level windows that appeared meanwhile
    bool quitPosted = false;
};

// Runs `gesture` on a thread of its own while this thread runs the window's messages (a move
// loop or a menu runs inside them). Meanwhile any new top-level window of the process is
// recorded, and a menu that opens is dismissed, so that a failing check cannot hang the test.
GestureOutcome RunGesture(const std::function<void()>& gesture) {
    GestureOutcome outcome;
    const std::vector<HWND> before = WindowsOfThisProcess();
    std::atomic<bool> gestureDone = false, stopWatching = false;
    std::thread watcher([&] {
        while (!stopWatching) {
            for (HWND window : WindowsOfThisProcess())
                if (std::find(before.begin(), before.end(), window) == before.end()) {
                    wchar_t name[64] = {};
                    ::GetClassNameW(window, name, 64);
                    if (std::find(outcome.newWindows.begin(), outcome.newWindows.end(), name) ==
                        outcome.newWindows.end())
                        outcome.newWindows.push_back(name);
                    ::EndMenu();
                }
            ::Sleep(5);
        }
    });
    std::thread input([&] {
        gesture();
        gestureDone = true;
    });
    // Like test::PumpUntil, noting a quit request, which that would swallow.
    const auto pump = [&](const auto& done, std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done() && std::chrono::steady_clock::now() < end) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            MSG message;
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                outcome.quitPosted |= message.message == WM_QUIT;
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
        }
    };
    pump([&] { return gestureDone.load(); }, 10s);
    input.join();
    pump([] { return false; }, 300ms); // what the last release brings still arrives
    stopWatching = true;
    watcher.join();
    return outcome;
}

std::string Classes(const std::vector<std::wstring>& names) {
    std::string out;
    for (const std::wstring& name : names)
        for (const wchar_t c : name + L" ")
            out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

// Press at `from`, move by (dx, dy) in steps, release: as a hand on the mouse gives it.
std::function<void()> PressDrag(POINT from, int dx, int dy, DWORD down, DWORD up) {
    return [=] {
        ::SetCursorPos(from.x, from.y);
        ::Sleep(100);
        PressButton(down);
        ::Sleep(100);
        for (int step = 1; step <= 4; ++step) {
            ::SetCursorPos(from.x + dx * step / 4, from.y + dy * step / 4);
            ::Sleep(50);
        }
        PressButton(up);
        ::Sleep(100);
    };
}

// Only the left button drags the window. A press of the right or the middle button (with or
// without moving the mouse) neither moves it, nor closes it, nor opens a menu or any other window.
TEST_F(TranslucencyTest, OnlyTheLeftButtonDoesAnythingToTheWindow) {
    T_VeyraLauncher splash(application_.Instance());
    splash.Show(WindowShowState::Normal);
    splash.StopLogoAnimation();
    const HWND window = splash.Handle();
    test::PumpUntil([] { return false; }, 300ms);
    const RECT start = BoundsOf(window);
    const POINT onLogo{start.left + 150, start.top + 100}; // a visible pixel

    const struct {
        const char* name;
        DWORD down, up;
        int dx, dy;
    } gestures[] = {
        {"right click", MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, 0, 0},
        {"middle click", MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 0, 0},
        {"right drag", MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, 40, 30},
        {"middle drag", MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 40, 30},
    };
    for (const auto& g : gestures) {
        const GestureOutcome outcome = RunGesture(PressDrag(onLogo, g.dx, g.dy, g.down, g.up));
        EXPECT_TRUE(SameRect(BoundsOf(window), start))
            << g.name << ": " << Describe(BoundsOf(window));
        EXPECT_TRUE(SameRect(BoundsOf(splash.ControlLayerHandle()), start)) << g.name;
        EXPECT_EQ(Classes(outcome.newWindows), "") << g.name << ": windows appeared";
        EXPECT_FALSE(outcome.quitPosted) << g.name;
        EXPECT_FALSE(ApplicationTerminated()) << g.name;
        EXPECT_TRUE(::IsWindowVisible(window)) << g.name;
        EXPECT_TRUE(::IsWindowVisible(splash.ControlLayerHandle())) << g.name;
    }

    // The same hand with the left button does drag: the input above really reached the window.
    const GestureOutcome outcome =
        RunGesture(PressDrag(onLogo, 40, 30, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP));
    const RECT moved = BoundsOf(window);
    EXPECT_EQ(moved.left - start.left, 40) << Describe(moved);
    EXPECT_EQ(moved.top - start.top, 30) << Describe(moved);
    EXPECT_TRUE(SameRect(BoundsOf(splash.ControlLayerHandle()), moved));
    EXPECT_EQ(Classes(outcome.newWindows), "");
    EXPECT_FALSE(outcome.quitPosted);
}

// Erasing the layer: the key colour everywhere, the background picture's pixels inside each
// visible component's rectangle, and nothing of the components themselves.
TEST_F(TranslucencyTest, ControlLayerErasesToTheKeyColourAndTheBackgroundPicture) {
    T_VeyraLauncher splash(application_.Instance());
    const SplashArtwork art = LoadSplashArtwork(::GetModuleHandleW(nullptr));
    LRESULT erased = 0;
    const auto pixels = test::RenderWith([&](HDC dc) {
        erased = ::SendMessageW(splash.ControlLayerHandle(), WM_ERASEBKGND,
                                reinterpret_cast<WPARAM>(dc), 0);
    });
    EXPECT_EQ(erased, 1);
    for (int y = 0; y < layout::kWindowHeight; ++y)
        for (int x = 0; x < layout::kWindowWidth; ++x) {
            const Rgb expected = test::InsideAny(x, y) ? PixelOf(art.background, x, y) : kKeyPixel;
            ASSERT_EQ(pixels[y * layout::kWindowWidth + x], expected) << x << "," << y;
        }
}

// What the layer receives: counted by a window procedure put in front of its own.
struct LayerSpy {
    static inline WNDPROC original = nullptr;
    static inline int erases = 0, paints = 0, focusMessages = 0;
    static inline RECT painted{};
    static inline WPARAM focusWParam = 0;
    static inline LPARAM focusLParam = 0;

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_ERASEBKGND)
            ++erases;
        if (message == WM_PAINT) {
            ++paints;
            ::GetUpdateRect(window, &painted, FALSE);
        }
        if (message == WM_SETFOCUS) {
            ++focusMessages;
            focusWParam = wParam;
            focusLParam = lParam;
        }
        return ::CallWindowProcW(original, window, message, wParam, lParam);
    }
    static void Attach(HWND window) {
        original = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LayerSpy::Proc)));
        Reset();
    }
    static void Reset() { erases = paints = focusMessages = 0; }
};

TEST_F(TranslucencyTest, StatusChangeRepaintsItsBoxOnTheLayerWithErasing) {
    T_VeyraLauncher splash(application_.Instance());
    splash.Show(WindowShowState::Normal);
    const HWND layer = splash.ControlLayerHandle();
    ::UpdateWindow(layer);
    LayerSpy::Attach(layer);

    splash.SetStatusText(L"Update not found!");
    RECT pending{};
    EXPECT_TRUE(::GetUpdateRect(layer, &pending, FALSE));
    EXPECT_TRUE(SameRect(pending, {8, 208, 292, 221})) << Describe(pending);
    RECT splashPending{};
    EXPECT_FALSE(::GetUpdateRect(splash.Handle(), &splashPending, FALSE));
    ::UpdateWindow(layer);
    EXPECT_EQ(LayerSpy::erases, 1); // the old text is wiped by the background picture
    EXPECT_EQ(LayerSpy::paints, 1);

    // Its new look: the new text in the status colour, inside the box only.
    const auto pixels = Render(layer);
    EXPECT_GT(CountColorIn(pixels, layout::kInfo, kInfoText), 20);
    EXPECT_EQ(CountColorIn(pixels, {0, 0, 300, 208}, kInfoText), 0);
}

TEST_F(TranslucencyTest, FocusIsPassedToTheVisibleControlLayer) {
    T_VeyraLauncher splash(application_.Instance());
    const HWND layer = splash.ControlLayerHandle();
    LayerSpy::Attach(layer);
    const WPARAM previous = reinterpret_cast<WPARAM>(application_.Handle());

    ::SendMessageW(splash.Handle(), WM_SETFOCUS, previous, 0x5A);
    EXPECT_EQ(LayerSpy::focusMessages, 0); // hidden: not passed

    splash.Show(WindowShowState::Normal);
    LayerSpy::Reset();
    ::SendMessageW(splash.Handle(), WM_SETFOCUS, previous, 0x5A);
    EXPECT_EQ(LayerSpy::focusMessages, 1);
    EXPECT_EQ(LayerSpy::focusWParam, previous);
    EXPECT_EQ(LayerSpy::focusLParam, 0x5A);
}

// Without a background picture there is no shape: an ordinary borderless window in its own
// colour with the components on it, still dragged by any point.
TEST_F(TranslucencyTest, WithoutBackgroundPictureThePlainWindowHoldsTheComponents) {
    T_VeyraLauncher::Hooks hooks = RecordingHooks();
    hooks.loadArtwork = [](HMODULE module) {
        SplashArtwork art = LoadSplashArtwork(module);
        art.background = {};
        return art;
    };
    T_VeyraLauncher splash(application_.Instance(), {}, hooks);
    splash.Show(WindowShowState::Normal);
    const HWND window = splash.Handle();

    EXPECT_EQ(splash.ControlLayerHandle(), nullptr);
    EXPECT_FALSE(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_FALSE(::GetWindowLongW(window, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));
    EXPECT_TRUE(calls_.empty());
    const RECT bounds = BoundsOf(window);
    EXPECT_EQ(
        ::SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(bounds.left + 20, bounds.top + 20)),
        HTCAPTION);

    const auto pixels = Render(window);
    const Rgb face = ToRgb(SystemColor(COLOR_BTNFACE));
    EXPECT_EQ(pixels[30 * 300 + 150], face);
    EXPECT_EQ(pixels[283 * 300 + 299], face);
    EXPECT_LT(CountColorIn(pixels, layout::kLogo, face), 180 * 100 - 1000); // the logo shows
    EXPECT_GT(CountColorIn(pixels, layout::kInfo, kInfoText), 20);

    // A status change repaints the window's own box.
    ::UpdateWindow(window);
    splash.SetStatusText(L"Update not found!");
    RECT pending{};
    EXPECT_TRUE(::GetUpdateRect(window, &pending, FALSE));
    EXPECT_TRUE(SameRect(pending, {8, 208, 292, 221})) << Describe(pending);
}

} // namespace
} // namespace veyra
