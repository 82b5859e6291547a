#pragma once
// Taskbar progress on the splash window's button, the rules that need no operating system: the
// progress states and the flags they stand for, and the module's one taskbar object with the
// checks around each call.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace veyra {

// One byte, as the update procedure passes it.
enum TTaskbarProgressState : std::uint8_t {
    tpsNone = 0,
    tpsIndeterminate = 1,
    tpsNormal = 2,
    tpsError = 3,
    tpsPaused = 4,
};

// ITaskbarList3's TBPF_ flag values.
inline constexpr std::uint32_t kTbpfNoProgress = 0;
inline constexpr std::uint32_t kTbpfIndeterminate = 1;
inline constexpr std::uint32_t kTbpfNormal = 2;
inline constexpr std::uint32_t kTbpfError = 4;
inline constexpr std::uint32_t kTbpfPaused = 8;

// The flag a state is passed as; a value outside the enumeration is passed as "no progress".
std::uint32_t TaskbarProgressFlag(TTaskbarProgressState state);

// COM's S_OK; every other result code counts as a failure here, S_FALSE included.
inline constexpr std::int32_t kComOk = 0;

// The taskbar object as the module sees it: ITaskbarList3 on Windows, a recording fake in the
// tests. Methods return COM result codes. Destroying it releases the object.
class TaskbarObject {
public:
    virtual ~TaskbarObject() = default;
    virtual std::int32_t HrInit() = 0;
    virtual std::int32_t SetProgressState(void* window, std::uint32_t flags) = 0;
    virtual std::int32_t SetProgressValue(void* window, std::uint64_t completed,
                                          std::uint64_t total) = 0;
};

// The module's reference to the taskbar object: empty at start, filled by the first Create that
// gets a working object, emptied by Release. Filled on the main thread before the worker uses
// it. A close request ends the program without waiting for the worker, so the release at the
// end may meet a progress call in flight: that call keeps the object alive until it returns,
// Release does not wait for it, and later calls find the reference empty.
class TaskbarList {
public:
    // Makes a new object; empty when none came back. May throw.
    using Factory = std::function<std::unique_ptr<TaskbarObject>()>;
    // The window the progress calls address, asked anew for every call.
    using WindowSource = std::function<void*()>;

    explicit TaskbarList(WindowSource window);

    // True at once when already filled. Otherwise makes an object and keeps it when its HrInit
    // returns S_OK, else releases it. Anything thrown meanwhile leaves the reference empty.
    // Returns whether the reference is now filled.
    bool Create(const Factory& create);
    bool Ready() const;
    // False when not ready; else true exactly when the object's call returns S_OK.
    bool SetProgressState(TTaskbarProgressState state);
    bool SetProgressValue(std::uint64_t completed, std::uint64_t total);
    // Releases the object, if any: the reference is empty again.
    void Release();

private:
    WindowSource window_;
    mutable std::mutex lock_; // guards object_ itself, never held during a call
    std::shared_ptr<TaskbarObject> object_;

    std::shared_ptr<TaskbarObject> Object() const;
};

} // namespace veyra
