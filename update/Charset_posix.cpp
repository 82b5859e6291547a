// Without a platform code-page conversion, this module's own decoder stands in for it.
#include "update/Charset.h"

namespace veyra {

std::wstring DecodeWithPlatform(std::string_view bytes, Charset charset) {
    return DecodePortable(bytes, charset);
}

} // namespace veyra
