#include "studio/LocalStamp.h"

#include "update/VersionStamp.h"

#include <ctime>

namespace veyra::studio {

std::wstring LocalVersionStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return FormatVersionStamp({local.tm_mday, local.tm_mon + 1, local.tm_year + 1900},
                              {local.tm_hour, local.tm_min, local.tm_sec});
}

} // namespace veyra::studio
