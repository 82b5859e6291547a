#pragma once
// The splash window of update mode, class T_VeyraLauncher: a frame-less 300 x 284 window with its
// own taskbar button and the status line. A close request ends the message loop.
#include "app/ShowState.h"
#include "support/WinHandle_win.h"

#include <string>

namespace veyra {

inline constexpr wchar_t kSplashClass[] = L"T_VeyraLauncher";
inline constexpr wchar_t kSplashCaption[] = L"_VeyraLauncher";
inline constexpr int kSplashWidth = 300;
inline constexpr int kSplashHeight = 284;

class T_VeyraLauncher {
public:
    explicit T_VeyraLauncher(HINSTANCE instance);
    ~T_VeyraLauncher();
    T_VeyraLauncher(const T_VeyraLauncher&) = delete;
    T_VeyraLauncher& operator=(const T_VeyraLauncher&) = delete;

    HWND Handle() const { return window_.get(); }
    void Show(WindowShowState state);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void OnPaint();
    void OnClose();

    HWND handle_ = nullptr; // set at WM_NCCREATE, before CreateWindowExW returns
    UniqueWindow window_;
    std::wstring status_ = L"Checking Launcher for update...";
};

} // namespace veyra
