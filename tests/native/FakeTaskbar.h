#pragma once
// A recording stand-in for the shell's taskbar object, a taskbar list made over it, and a
// readable form of Windows versions in test messages.
#include "support/Bridge.h"
#include "support/uWin7Taskbar.h"

#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace veyra {

inline void PrintTo(const WindowsVersion& version, std::ostream* out) {
    *out << version.major << '.' << version.minor;
}

} // namespace veyra

namespace veyra::test {

constexpr std::int32_t kSFalse = 1;
constexpr std::int32_t kEFail = static_cast<std::int32_t>(0x80004005u);

using Calls = std::vector<std::string>;

// What the fake objects do and what they did, in order. It outlives them, so that their release
// shows; the objects read its settings at each call.
struct FakeShell {
    Calls calls;
    int created = 0;

    std::string window = "splash"; // the window the calls address
    bool objectComesBack = true;
    bool creationThrows = false;
    bool hrInitThrows = false;
    std::int32_t hrInit = kComOk;
    std::int32_t stateResult = kComOk;
    std::int32_t valueResult = kComOk;
    std::function<void()> duringStateCall; // runs inside SetProgressState, after its record

    TaskbarList list{[this]() -> void* { return &window; }};

    TaskbarList::Factory Factory();
    bool Create() { return list.Create(Factory()); }
};

class RecordingTaskbar final : public TaskbarObject {
public:
    explicit RecordingTaskbar(FakeShell& shell) : shell_(shell) {}
    ~RecordingTaskbar() override { shell_.calls.push_back("Release"); }

    std::int32_t HrInit() override {
        shell_.calls.push_back("HrInit");
        if (shell_.hrInitThrows)
            throw std::runtime_error("HrInit");
        return shell_.hrInit;
    }
    std::int32_t SetProgressState(void* window, std::uint32_t flags) override {
        shell_.calls.push_back("SetProgressState " + Name(window) + " " + std::to_string(flags));
        if (shell_.duringStateCall)
            shell_.duringStateCall();
        return shell_.stateResult;
    }
    std::int32_t SetProgressValue(void* window, std::uint64_t completed,
                                  std::uint64_t total) override {
        shell_.calls.push_back("SetProgressValue " + Name(window) + " " +
                               std::to_string(completed) + " " + std::to_string(total));
        return shell_.valueResult;
    }

private:
    static std::string Name(void* window) {
        return window ? *static_cast<std::string*>(window) : "null";
    }

    FakeShell& shell_;
};

inline TaskbarList::Factory FakeShell::Factory() {
    return [this]() -> std::unique_ptr<TaskbarObject> {
        ++created;
        if (creationThrows)
            throw std::runtime_error("creation");
        if (!objectComesBack)
            return nullptr;
        return std::make_unique<RecordingTaskbar>(*this);
    };
}

} // namespace veyra::test
