#include "studio/Output.h"

namespace veyra::studio {

bool WriteAndFlush(std::FILE* out, std::string_view text) {
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    // fflush reports what a buffered fwrite could not yet know (a full disk, a closed descriptor).
    return std::fflush(out) == 0 && written && !std::ferror(out);
}

} // namespace veyra::studio
