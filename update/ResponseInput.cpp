#include "update/ResponseInput.h"

#include "update/HttpError.h"

#include <algorithm>

namespace veyra {

namespace {
constexpr std::size_t kBufferSize = 16 * 1024;
}

ResponseInput::ResponseInput(ByteStream& stream, const FetchLimits& limits, Clock::time_point start)
    : stream_(stream), limits_(limits), end_(start + limits.total), buffer_(kBufferSize) {}

Clock::time_point ResponseInput::NextDeadline(std::chrono::milliseconds wait) const {
    return std::min(Clock::now() + wait, end_);
}

ResponseInput::Fill ResponseInput::TryFill(Clock::time_point deadline) {
    if (peerClosed_)
        return Fill::closed;
    const auto received = stream_.Read(buffer_, deadline);
    if (!received)
        return Fill::expired;
    begin_ = 0;
    filled_ = std::min(*received, buffer_.size());
    if (filled_ == 0) {
        peerClosed_ = true;
        return Fill::closed;
    }
    return Fill::data;
}

bool ResponseInput::Refill() {
    const Clock::time_point deadline = NextDeadline(limits_.idle);
    const Fill result = TryFill(deadline);
    if (result == Fill::expired)
        throw HttpError::Timeout(deadline == end_ ? HttpErrorCause::totalWait
                                                  : HttpErrorCause::idleWait);
    return result == Fill::data;
}

std::optional<std::string> ResponseInput::ReadLine() {
    std::string line;
    for (;;) {
        if (begin_ == filled_ && !Refill())
            return std::nullopt;
        const auto first = buffer_.begin() + static_cast<std::ptrdiff_t>(begin_);
        const auto last = buffer_.begin() + static_cast<std::ptrdiff_t>(filled_);
        const auto lineFeed = std::find(first, last, std::uint8_t{'\n'});
        const auto taken = static_cast<std::size_t>(lineFeed - first);
        if (line.size() + taken > limits_.maxLine)
            throw HttpError(HttpErrorKind::lineTooLong);
        line.append(first, lineFeed);
        if (lineFeed != last) {
            begin_ += taken + 1;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return line;
        }
        begin_ = filled_;
    }
}

std::size_t ResponseInput::Read(std::string& out, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        if (begin_ == filled_ && !Refill())
            break;
        const std::size_t taken = std::min(count - done, filled_ - begin_);
        const auto first = buffer_.begin() + static_cast<std::ptrdiff_t>(begin_);
        out.append(first, first + static_cast<std::ptrdiff_t>(taken));
        begin_ += taken;
        done += taken;
    }
    return done;
}

bool ResponseInput::DataWithin(std::chrono::milliseconds wait) {
    if (begin_ < filled_)
        return true;
    if (peerClosed_)
        return false;
    return TryFill(NextDeadline(wait)) == Fill::data;
}

} // namespace veyra
