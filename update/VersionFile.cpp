#include "update/VersionFile.h"

#include "update/HttpClient.h"
#include "update/HttpRequest.h"

namespace veyra {

namespace {
constexpr std::uint16_t kUpdatePort = 80;
}

std::wstring FetchVersionFile(std::wstring_view versionStamp) {
    return HttpGet(VEYRA_UPDATE_HOST, kUpdatePort, VersionFileTarget(versionStamp));
}

} // namespace veyra
