#pragma once
// The application object: COM on the main thread, the hidden application window (owner of
// programs the launcher starts) and the message loop.
#include "support/WinHandle_win.h"

#include <string>

namespace veyra {

inline constexpr wchar_t kApplicationTitle[] = L"VeyraLauncher";

class TApplication {
public:
    explicit TApplication(HINSTANCE instance);
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    HINSTANCE Instance() const { return instance_; }
    // The hidden application window; it never shows and has no taskbar button.
    HWND Handle() const { return window_.get(); }
    void SetTitle(const std::wstring& title);

    // Runs the message loop until it is asked to end, then marks the application terminated.
    // Returns the exit code, 0.
    int Run();

private:
    ComApartment com_;
    HINSTANCE instance_;
    UniqueWindow window_;
};

} // namespace veyra
