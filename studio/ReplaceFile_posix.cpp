#include "studio/Output.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veyra::studio {
namespace {

std::string Reason(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

// Writes all of `bytes` to `descriptor`, through short writes and interruptions.
bool WriteAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

std::optional<std::string> ReplaceFileAtomically(const std::filesystem::path& file,
                                                 std::string_view bytes) {
    const std::string target = file.string();
    std::string pattern = target + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int descriptor = ::mkstemp(name.data());
    if (descriptor < 0)
        return Reason("cannot make a temporary file beside " + target, errno);
    const std::string temporary = name.data();
    // mkstemp makes the file private; a version file is for the web server to read.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    std::optional<std::string> problem;
    if (::fchmod(descriptor, 0666 & ~mask) != 0)
        problem = Reason("cannot set the mode of " + temporary, errno);
    else if (!WriteAll(descriptor, bytes))
        problem = Reason("cannot write " + temporary, errno);
    else if (::fsync(descriptor) != 0)
        problem = Reason("cannot flush " + temporary, errno);
    if (::close(descriptor) != 0 && !problem)
        problem = Reason("cannot write " + temporary, errno);
    if (!problem && ::rename(temporary.c_str(), target.c_str()) != 0)
        problem = Reason("cannot rename " + temporary + " to " + target, errno);
    if (problem)
        ::unlink(temporary.c_str());
    return problem;
}

} // namespace veyra::studio
