#pragma once
// The error raised when a file cannot be created, opened, read, written or closed.
#include <stdexcept>
#include <string>

namespace veyra {

class IoError : public std::runtime_error {
public:
    IoError(const std::string& what, unsigned long systemCode = 0)
        : std::runtime_error(what), systemCode_(systemCode) {}
    // The operating system's error code, 0 when there is none.
    unsigned long SystemCode() const { return systemCode_; }

private:
    unsigned long systemCode_;
};

} // namespace veyra
