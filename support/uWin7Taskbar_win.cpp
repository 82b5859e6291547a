#include "support/uWin7Taskbar_win.h"

#include "support/WinHandle_win.h"

// After windows.h, which it needs.
#include <shobjidl.h>

#include <atomic>
#include <memory>

namespace veyra {

static_assert(kTbpfNoProgress == TBPF_NOPROGRESS && kTbpfIndeterminate == TBPF_INDETERMINATE &&
              kTbpfNormal == TBPF_NORMAL && kTbpfError == TBPF_ERROR && kTbpfPaused == TBPF_PAUSED);
static_assert(kComOk == S_OK);
static_assert((CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER) == 3);

namespace {

// Written on the main thread, read by the worker's progress calls.
std::atomic<HWND> applicationWindow{nullptr};
std::atomic<HWND> mainWindow{nullptr};

class ShellTaskbarObject final : public TaskbarObject {
public:
    explicit ShellTaskbarObject(ComPtr<ITaskbarList3> list) : list_(std::move(list)) {}

    std::int32_t HrInit() override { return list_->HrInit(); }
    std::int32_t SetProgressState(void* window, std::uint32_t flags) override {
        return list_->SetProgressState(static_cast<HWND>(window), static_cast<TBPFLAG>(flags));
    }
    std::int32_t SetProgressValue(void* window, std::uint64_t completed,
                                  std::uint64_t total) override {
        return list_->SetProgressValue(static_cast<HWND>(window), completed, total);
    }

private:
    ComPtr<ITaskbarList3> list_;
};

std::unique_ptr<TaskbarObject> MakeShellTaskbarObject() {
    ComPtr<ITaskbarList3> list;
    // The result code is not looked at: an object that came back is what counts.
    ::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                       IID_ITaskbarList3, list.put_void());
    if (!list)
        return nullptr;
    return std::make_unique<ShellTaskbarObject>(std::move(list));
}

} // namespace

TaskbarList& ModuleTaskbarList() {
    static TaskbarList list([]() -> void* { return TaskbarWindow(); });
    return list;
}

bool CreateTaskbarList() {
    return ModuleTaskbarList().Create(MakeShellTaskbarObject);
}

bool TaskbarListReady() {
    return ModuleTaskbarList().Ready();
}

void SetTaskbarApplicationWindow(HWND window) {
    applicationWindow = window;
}

void SetTaskbarMainWindow(HWND window) {
    mainWindow = window;
}

HWND TaskbarWindow() {
    const HWND main = mainWindow;
    if (main && ::IsWindow(main))
        return main;
    return applicationWindow;
}

bool SetTaskbarProgressState(TTaskbarProgressState state) {
    return ModuleTaskbarList().SetProgressState(state);
}

bool SetTaskbarProgressValue(std::uint64_t completed, std::uint64_t total) {
    return ModuleTaskbarList().SetProgressValue(completed, total);
}

void ReleaseTaskbarList() {
    ModuleTaskbarList().Release();
}

} // namespace veyra
