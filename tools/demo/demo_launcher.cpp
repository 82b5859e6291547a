// A stand-in game launcher for the demo: a small window that shows which version it is, so the
// person trying VeyraLauncher sees the update take effect. Closes itself after a while.
#include "support/WinHandle_win.h"

#include <windows.h>

#ifndef DEMO_LAUNCHER_VERSION
#error "DEMO_LAUNCHER_VERSION names the version this build shows"
#endif

namespace {

constexpr wchar_t kText[] = L"Dunmore Launcher\nversion " DEMO_LAUNCHER_VERSION;
constexpr UINT_PTR kCloseTimer = 1;
constexpr UINT kShownMs = 8000;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        const veyra::PaintScope paint(window);
        RECT client;
        ::GetClientRect(window, &client);
        const veyra::UniqueAny<HBRUSH, veyra::detail::DeleteGdiObject> brush(
            ::CreateSolidBrush(RGB(36, 52, 71)));
        ::FillRect(paint.dc(), &client, brush.get());
        ::SetBkMode(paint.dc(), TRANSPARENT);
        ::SetTextColor(paint.dc(), RGB(235, 240, 245));
        const veyra::UniqueFont font(::CreateFontW(-22, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                                                   DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, 0,
                                                   L"Tahoma"));
        const veyra::SelectedObject selected(paint.dc(), font.get());
        client.top += 50;
        ::DrawTextW(paint.dc(), kText, -1, &client, DT_CENTER);
        return 0;
    }
    case WM_TIMER:
    case WM_CLOSE:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"DunmoreDemoLauncher";
    ::RegisterClassW(&windowClass);
    const HWND window =
        ::CreateWindowExW(0, windowClass.lpszClassName, L"Dunmore Launcher " DEMO_LAUNCHER_VERSION,
                          WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 340, 700, 600, 180,
                          nullptr, nullptr, instance, nullptr);
    ::SetTimer(window, kCloseTimer, kShownMs, nullptr);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&message);
    return 0;
}
