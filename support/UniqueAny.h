#pragma once
// A move-only owner for a handle of any platform, in the spirit of WIL's unique_any: every handle
// the program opens is closed by exactly one of these, never by a bare call at the point of use.
// `Close` is called once with a held value other than `Invalid`.
#include <utility>

namespace veyra {

template <typename T, auto Close, T Invalid = T{}> class UniqueAny {
public:
    UniqueAny() = default;
    explicit UniqueAny(T value) : value_(value) {}
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~UniqueAny() { reset(); }

    T get() const { return value_; }
    explicit operator bool() const { return value_ != Invalid; }
    T release() { return std::exchange(value_, Invalid); }
    void reset(T value = Invalid) {
        const T old = std::exchange(value_, value);
        if (old != Invalid)
            Close(old);
    }
    // The slot for a call that returns the handle through an out-parameter; what was held is
    // closed first.
    T* put() {
        reset();
        return &value_;
    }

private:
    T value_ = Invalid;
};

} // namespace veyra
