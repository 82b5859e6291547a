#include "SplashTestSupport.h"
#include "app/Application_win.h"
#include "image/GifReader.h"
#include "resources/Layout.h"
#include "support/AppTermination.h"
#include "ui/SplashArtwork_win.h"
#include "ui/SplashWindow_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace veyra {
namespace {

using namespace std::chrono_literals;
using test::CountColorIn;
using test::PixelOf;
using test::PumpUntil;
using test::Render;

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    ::GetClassNameW(window, name, 256);
    return name;
}

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    ::GetWindowTextW(window, text, 256);
    return text;
}

class SplashWindowTest : public ::testing::Test {
protected:
    void TearDown() override { ClearApplicationTerminated(); }
    TApplication application_{::GetModuleHandleW(nullptr)};
};

TEST_F(SplashWindowTest, FrameLessTopmostWindowWithItsOwnTaskbarButton) {
    bool started = false;
    T_VeyraLauncher splash(application_.Instance(), [&](SplashOperations&) { started = true; });
    const HWND window = splash.Handle();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(started); // FormCreate hands over to the update's start
    EXPECT_EQ(ClassOf(window), L"T_VeyraLauncher");
    EXPECT_EQ(TextOf(window), L"_VeyraLauncher");
    EXPECT_FALSE(::IsWindowVisible(window)); // shown only when the loop starts

    const LONG style = ::GetWindowLongW(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style &
                 (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    const LONG exStyle = ::GetWindowLongW(window, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_APPWINDOW);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_EQ(::GetWindow(window, GW_OWNER), nullptr);

    RECT bounds{};
    ::GetWindowRect(window, &bounds);
    EXPECT_EQ(bounds.right - bounds.left, 300);
    EXPECT_EQ(bounds.bottom - bounds.top, 284);
    RECT client{};
    ::GetClientRect(window, &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 284);
}

TEST_F(SplashWindowTest, ApplicationWindowIsHiddenAndCarriesTheTitle) {
    ASSERT_NE(application_.Handle(), nullptr);
    EXPECT_FALSE(::IsWindowVisible(application_.Handle()));
    EXPECT_EQ(TextOf(application_.Handle()), L"VeyraLauncher");
}

TEST_F(SplashWindowTest, CloseRequestEndsTheMessageLoopWithCodeZero) {
    // On the window itself, and on its control layer, which passes it on.
    for (const bool onLayer : {false, true}) {
        T_VeyraLauncher splash(application_.Instance());
        splash.Show(WindowShowState::Normal);
        EXPECT_TRUE(::IsWindowVisible(splash.Handle()));
        ClearApplicationTerminated();
        const HWND target = onLayer ? splash.ControlLayerHandle() : splash.Handle();
        ASSERT_NE(target, nullptr);
        ::PostMessageW(target, WM_CLOSE, 0, 0);
        EXPECT_EQ(application_.Run(), 0) << onLayer;
        EXPECT_TRUE(ApplicationTerminated()) << onLayer;
        // Neither window is destroyed or hidden by the close.
        EXPECT_TRUE(::IsWindowVisible(splash.Handle())) << onLayer;
        EXPECT_TRUE(::IsWindowVisible(splash.ControlLayerHandle())) << onLayer;
    }
}

// Refuses, on this thread, the creation of every window of the splash window's class.
LRESULT CALLBACK RefuseSplashWindows(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const wchar_t* name = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs->lpszClass;
        if (!IS_INTRESOURCE(name) && std::wstring(name) == kSplashClass)
            return 1;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// Without a window nothing could show the update's failure or end it: it is not started.
TEST_F(SplashWindowTest, AWindowThatCannotBeCreatedStartsNoUpdate) {
    const HHOOK hook =
        ::SetWindowsHookExW(WH_CBT, &RefuseSplashWindows, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    bool updateStarted = false;
    {
        T_VeyraLauncher splash(application_.Instance(),
                               [&](SplashOperations&) { updateStarted = true; });
        EXPECT_EQ(splash.Handle(), nullptr);
    }
    ::UnhookWindowsHookEx(hook);
    EXPECT_FALSE(updateStarted);
    // The same window, allowed, starts it.
    T_VeyraLauncher splash(application_.Instance(),
                           [&](SplashOperations&) { updateStarted = true; });
    EXPECT_NE(splash.Handle(), nullptr);
    EXPECT_TRUE(updateStarted);
}

TEST_F(SplashWindowTest, OperationsFromAnotherThreadRunOnTheWindowThread) {
    const DWORD windowThread = ::GetCurrentThreadId();
    std::vector<DWORD> timerThreads;
    T_VeyraLauncher::Hooks hooks;
    hooks.setTimer = [&](HWND, UINT_PTR, UINT) {
        timerThreads.push_back(::GetCurrentThreadId());
        return UINT_PTR{1};
    };
    hooks.closeTimerTick = [] {};
    T_VeyraLauncher splash(application_.Instance(), {}, hooks);
    EXPECT_EQ(splash.StatusText(), L"Checking Launcher for update...");
    EXPECT_TRUE(splash.LogoAnimating());

    std::atomic<bool> done = false;
    std::thread worker([&] {
        splash.SetStatusText(L"Update not found!");
        splash.StopLogoAnimation();
        splash.StopLogoAnimation(); // a second stop changes nothing
        splash.StartCloseTimer();
        splash.StartCloseTimer(); // already on: not asked for again
        done = true;
    });
    const bool finished = PumpUntil([&] { return done.load(); }, 5s);
    worker.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(splash.StatusText(), L"Update not found!");
    EXPECT_FALSE(splash.LogoAnimating());
    ASSERT_EQ(timerThreads.size(), 1u);
    EXPECT_EQ(timerThreads[0], windowThread);
}

TEST_F(SplashWindowTest, ARefusedCloseTimerFailsInTheCallerOnceAndStaysMarkedOn) {
    int requests = 0;
    T_VeyraLauncher::Hooks hooks;
    hooks.setTimer = [&](HWND, UINT_PTR, UINT) {
        ++requests;
        return UINT_PTR{0}; // the system refuses
    };
    T_VeyraLauncher splash(application_.Instance(), {}, hooks);

    std::string firstError;
    bool secondThrew = true;
    std::atomic<bool> done = false;
    std::thread worker([&] {
        try {
            splash.StartCloseTimer();
        } catch (const TimerUnavailableError& error) {
            firstError = error.what();
        }
        try {
            splash.StartCloseTimer();
            secondThrew = false;
        } catch (...) {
        }
        done = true;
    });
    const bool finished = PumpUntil([&] { return done.load(); }, 5s);
    worker.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(firstError, "Not enough timers available");
    EXPECT_FALSE(secondThrew);
    EXPECT_EQ(requests, 1);
}

TEST_F(SplashWindowTest, CloseTimerTicksAfterThreeSeconds) {
    std::atomic<bool> ticked = false;
    T_VeyraLauncher::Hooks hooks;
    hooks.closeTimerTick = [&] { ticked = true; }; // instead of ending the test program
    T_VeyraLauncher splash(application_.Instance(), {}, hooks);
    const auto start = std::chrono::steady_clock::now();
    splash.StartCloseTimer();
    ASSERT_TRUE(PumpUntil([&] { return ticked.load(); }, 10s));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 2900ms);
    EXPECT_LT(elapsed, 6000ms);
}

// The components are drawn on the control layer; the layered window itself shows only its image.
TEST_F(SplashWindowTest, StatusLineIsDrawnInItsColourInsideItsBox) {
    T_VeyraLauncher splash(application_.Instance());
    const auto pixels = Render(splash.ControlLayerHandle());
    const Rgb textColor{255, 255, 198};
    EXPECT_GT(CountColorIn(pixels, layout::kInfo, textColor), 20);
    // Nothing of the text outside its box.
    EXPECT_EQ(CountColorIn(pixels, {0, 0, 300, 208}, textColor), 0);
    EXPECT_EQ(CountColorIn(pixels, {0, 221, 300, 63}, textColor), 0);
}

// Status texts come from failures and file names: whatever they hold is drawn as it is, and
// never outside the status line's box.
class SplashStatusTextTest : public SplashWindowTest {
protected:
    // The control layer's look with `text` in the status line; the logo stands still.
    std::vector<Rgb> RenderStatus(const std::wstring& text) {
        splash_.StopLogoAnimation();
        splash_.SetStatusText(text);
        return Render(splash_.ControlLayerHandle());
    }

    static bool InInfo(int x, int y) {
        const layout::Rect& r = layout::kInfo;
        return x >= r.left && x < r.right() && y >= r.top && y < r.bottom();
    }

    // Width of the columns of the status box where `pixels` differ from `bare`: the drawn text's
    // extent, from its first inked column to its last; 0 when nothing is drawn.
    static int InkWidth(const std::vector<Rgb>& pixels, const std::vector<Rgb>& bare) {
        int first = -1, last = -1;
        for (int x = layout::kInfo.left; x < layout::kInfo.right(); ++x)
            for (int y = layout::kInfo.top; y < layout::kInfo.bottom(); ++y)
                if (pixels[y * layout::kWindowWidth + x] != bare[y * layout::kWindowWidth + x]) {
                    if (first < 0)
                        first = x;
                    last = x;
                    break;
                }
        return first < 0 ? 0 : last - first + 1;
    }

    T_VeyraLauncher splash_{application_.Instance()};
};

TEST_F(SplashStatusTextTest, AnyTextStaysInsideTheStatusBox) {
    const auto bare = RenderStatus(L"");
    const struct {
        const char* name;
        std::wstring text;
    } cases[] = {
        {"ampersand", L"Update & restart"},
        {"doubled ampersand", L"a&&b"},
        {"lone ampersand", L"&"},
        {"over-long", L"Could not open C:\\Program Files\\Dunmore\\" + std::wstring(200, L'W') +
                          L"\\dunmorelauncher.exe"},
        {"line break", L"Update failed!\r\nThe launcher could not be replaced.\nTry again."},
    };
    for (const auto& c : cases) {
        const auto pixels = RenderStatus(c.text);
        EXPECT_GT(InkWidth(pixels, bare), 0) << c.name << ": nothing drawn";
        int outside = 0;
        for (int y = 0; y < layout::kWindowHeight; ++y)
            for (int x = 0; x < layout::kWindowWidth; ++x)
                if (!InInfo(x, y))
                    outside +=
                        pixels[y * layout::kWindowWidth + x] != bare[y * layout::kWindowWidth + x];
        EXPECT_EQ(outside, 0) << c.name << ": pixels changed outside the status box";
    }
}

// "&" is no mnemonic prefix: it is drawn, and "&&" is two of them.
TEST_F(SplashStatusTextTest, AmpersandsAreDrawnLiterally) {
    const auto bare = RenderStatus(L"");
    const int one = InkWidth(RenderStatus(L"&"), bare);
    const int two = InkWidth(RenderStatus(L"&&"), bare);
    EXPECT_GT(one, 3);
    EXPECT_GE(two, one * 3 / 2) << "one " << one << ", two " << two;
    // Between "a" and "b" the ampersand takes room of its own (as a prefix it would only
    // underline the "b").
    const int withAmpersand = InkWidth(RenderStatus(L"a&b"), bare);
    const int without = InkWidth(RenderStatus(L"ab"), bare);
    EXPECT_GE(withAmpersand, without + one) << "a&b " << withAmpersand << ", ab " << without;
}

TEST_F(SplashWindowTest, PicturesAreComposedOverTheBackground) {
    T_VeyraLauncher splash(application_.Instance());
    const SplashArtwork art = LoadSplashArtwork(::GetModuleHandleW(nullptr));
    ASSERT_EQ(art.background.width, 300);
    ASSERT_EQ(art.caption.width, 109);
    ASSERT_EQ(art.logo.frames.size(), 38u);
    const auto pixels = Render(splash.ControlLayerHandle());
    const auto at = [&](int x, int y) { return pixels[y * layout::kWindowWidth + x]; };

    // Outside the components the layer is its key colour, which the system cuts out.
    const Rgb key{254, 254, 254};
    int outside = 0;
    for (int y = 0; y < layout::kWindowHeight; ++y)
        for (int x = 0; x < layout::kWindowWidth; ++x)
            if (!test::InsideAny(x, y)) {
                ++outside;
                ASSERT_EQ(at(x, y), key) << x << "," << y;
            }
    EXPECT_GT(outside, 50000);

    // LOGO: frame 0 keyed with black, its own key colour, over the background picture.
    const GifFrame& first = art.logo.frames[0];
    constexpr Rgb kBlack{0, 0, 0};
    ASSERT_EQ(first.transparentColor, std::optional<Rgb>(kBlack));
    int keyed = 0, shown = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 180; ++x) {
            const Rgb color = first.colors[y * 180 + x];
            const int wx = layout::kLogo.left + x, wy = layout::kLogo.top + y;
            if (color == kBlack) {
                ++keyed;
                ASSERT_EQ(at(wx, wy), PixelOf(art.background, wx, wy)) << x << "," << y;
            } else {
                ++shown;
                ASSERT_EQ(at(wx, wy), color) << x << "," << y;
            }
        }
    EXPECT_GT(keyed, 1000);
    EXPECT_GT(shown, 1000);

    // DESC_LOGO: each channel (background * (255 - a) + caption * a + 127) / 255.
    int blended = 0;
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 109; ++x) {
            const Rgba c = test::At(art.caption, x, y);
            const int wx = layout::kDescLogo.left + x, wy = layout::kDescLogo.top + y;
            const Rgb under = PixelOf(art.background, wx, wy);
            const unsigned a = c.alpha;
            const auto blend = [a](unsigned d, unsigned s) {
                return static_cast<std::uint8_t>((d * (255 - a) + s * a + 127) / 255);
            };
            const Rgb expected{blend(under.red, c.red), blend(under.green, c.green),
                               blend(under.blue, c.blue)};
            blended += a > 0 && a < 255;
            ASSERT_EQ(at(wx, wy), expected) << x << "," << y << " alpha " << a;
        }
    EXPECT_GT(blended, 50); // the caption's soft edge is really blended

    // INFO: the background picture wherever the text leaves it.
    int bare = 0;
    for (int y = layout::kInfo.top; y < layout::kInfo.bottom(); ++y)
        for (int x = layout::kInfo.left; x < layout::kInfo.right(); ++x)
            bare += at(x, y) == PixelOf(art.background, x, y);
    EXPECT_GT(bare, 284 * 13 / 2);
}

} // namespace
} // namespace veyra
