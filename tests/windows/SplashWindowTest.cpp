#include "app/Application_win.h"
#include "support/AppTermination.h"
#include "ui/SplashWindow_win.h"

#include <gtest/gtest.h>

#include <string>

namespace veyra {
namespace {

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

TEST(SplashWindowTest, FrameLessWindowWithItsOwnTaskbarButton) {
    TApplication application(::GetModuleHandleW(nullptr));
    T_VeyraLauncher splash(application.Instance());
    const HWND window = splash.Handle();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ClassOf(window), L"T_VeyraLauncher");
    EXPECT_EQ(TextOf(window), L"_VeyraLauncher");
    EXPECT_FALSE(::IsWindowVisible(window)); // shown only when the loop starts

    const LONG style = ::GetWindowLongW(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style &
                 (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
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

TEST(SplashWindowTest, ApplicationWindowIsHiddenAndCarriesTheTitle) {
    TApplication application(::GetModuleHandleW(nullptr));
    ASSERT_NE(application.Handle(), nullptr);
    EXPECT_FALSE(::IsWindowVisible(application.Handle()));
    EXPECT_EQ(TextOf(application.Handle()), L"VeyraLauncher");
}

TEST(SplashWindowTest, CloseRequestEndsTheMessageLoopWithCodeZero) {
    TApplication application(::GetModuleHandleW(nullptr));
    T_VeyraLauncher splash(application.Instance());
    splash.Show(WindowShowState::Normal);
    EXPECT_TRUE(::IsWindowVisible(splash.Handle()));
    ASSERT_FALSE(ApplicationTerminated());
    ::PostMessageW(splash.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(application.Run(), 0);
    EXPECT_TRUE(ApplicationTerminated());
    EXPECT_TRUE(::IsWindow(splash.Handle())); // not destroyed or hidden by the close
    ClearApplicationTerminated();
}

} // namespace
} // namespace veyra
