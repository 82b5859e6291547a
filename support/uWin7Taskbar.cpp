#include "support/uWin7Taskbar.h"

#include <utility>

namespace veyra {

std::uint32_t TaskbarProgressFlag(TTaskbarProgressState state) {
    switch (state) {
    case tpsNone:
        return kTbpfNoProgress;
    case tpsIndeterminate:
        return kTbpfIndeterminate;
    case tpsNormal:
        return kTbpfNormal;
    case tpsError:
        return kTbpfError;
    case tpsPaused:
        return kTbpfPaused;
    }
    return kTbpfNoProgress;
}

TaskbarList::TaskbarList(WindowSource window) : window_(std::move(window)) {}

bool TaskbarList::Create(const Factory& create) {
    // Start-up only, on the main thread: holding the lock while the object is made is harmless.
    const std::lock_guard hold(lock_);
    if (object_)
        return true;
    try {
        std::unique_ptr<TaskbarObject> object = create();
        // An object whose HrInit fails is released with `object` at the end of the scope.
        if (object && object->HrInit() == kComOk)
            object_ = std::move(object);
    } catch (...) {
        // Taskbar progress is optional: whatever went wrong, it simply stays off.
    }
    return object_ != nullptr;
}

std::shared_ptr<TaskbarObject> TaskbarList::Object() const {
    const std::lock_guard hold(lock_);
    return object_;
}

bool TaskbarList::Ready() const {
    return Object() != nullptr;
}

bool TaskbarList::SetProgressState(TTaskbarProgressState state) {
    const std::shared_ptr<TaskbarObject> object = Object();
    if (!object)
        return false;
    return object->SetProgressState(window_(), TaskbarProgressFlag(state)) == kComOk;
}

bool TaskbarList::SetProgressValue(std::uint64_t completed, std::uint64_t total) {
    const std::shared_ptr<TaskbarObject> object = Object();
    if (!object)
        return false;
    return object->SetProgressValue(window_(), completed, total) == kComOk;
}

void TaskbarList::Release() {
    std::shared_ptr<TaskbarObject> released;
    {
        const std::lock_guard hold(lock_);
        released.swap(object_);
    }
    // Our reference goes here, outside the lock; a call in flight drops the last one.
}

} // namespace veyra
