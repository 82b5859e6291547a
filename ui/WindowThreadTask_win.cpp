#include "ui/WindowThreadTask_win.h"

#include <exception>

namespace veyra {
namespace {

// Private to the windows of this program, which take no other WM_APP messages.
constexpr UINT kWindowThreadTaskMessage = WM_APP + 1;

// Lives on the caller's stack for the length of the send.
struct SentTask {
    const std::function<void()>& task;
    std::exception_ptr failure;
};

} // namespace

void RunOnWindowThread(HWND window, const std::function<void()>& task) {
    SentTask sent{task, nullptr};
    // SendMessage, not PostMessage: the caller waits, and the task may use what the caller holds.
    ::SendMessageW(window, kWindowThreadTaskMessage, 0, reinterpret_cast<LPARAM>(&sent));
    if (sent.failure)
        std::rethrow_exception(sent.failure);
}

bool IsWindowThreadTask(UINT message) {
    return message == kWindowThreadTaskMessage;
}

void RunWindowThreadTask(LPARAM lParam) {
    auto& sent = *reinterpret_cast<SentTask*>(lParam);
    // Nothing may unwind through the system's frames: the failure goes back to the caller.
    try {
        sent.task();
    } catch (...) {
        sent.failure = std::current_exception();
    }
}

} // namespace veyra
