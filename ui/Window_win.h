#pragma once
// The skeleton of this program's windows: one class registration and one window procedure for
// all of them. The procedure finds the window's object (stored at WM_NCCREATE, before
// CreateWindowExW returns), runs the tasks other threads send (ui/WindowThreadTask_win.h) and
// hands every other message to the object's Dispatch.
#include "support/WinHandle_win.h"

#include <windows.h>

namespace veyra {

// What a window class sets beyond the shared procedure and the arrow cursor.
struct WindowClass {
    const wchar_t* name;
    HICON icon = nullptr;
    HBRUSH background = nullptr;
};

// How a window is created: styles, caption, size (at 0, 0) and owner.
struct WindowCreation {
    DWORD exStyle = 0;
    DWORD style = 0;
    const wchar_t* caption = L"";
    SIZE size{};
    HWND owner = nullptr;
};

class Window {
public:
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Null when creation failed.
    HWND Handle() const { return window_.get(); }

protected:
    Window() = default;
    // Destroys the window (Destroy) if the derived class has not.
    virtual ~Window();

    // Registers the class (a second registration fails harmlessly) and creates the window with
    // this object behind it. Call from the derived constructor's body: the creation messages
    // already reach the derived Dispatch.
    void Create(HINSTANCE instance, const WindowClass& windowClass, const WindowCreation& creation);
    // From now on messages, those of the window's destruction included, go to the default
    // procedure: a derived destructor calls this before it tears down what Dispatch uses.
    void Detach();
    // Detaches and destroys the window.
    void Destroy();

    // The window's handle as Dispatch sees it: set at WM_NCCREATE.
    HWND Hwnd() const { return handle_; }

    // Every message of the window, except the tasks of other threads.
    virtual LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam) = 0;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND handle_ = nullptr;
    UniqueWindow window_;
};

} // namespace veyra
