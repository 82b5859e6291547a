#include "update/VersionFile.h"

#include "update/HttpClient.h"
#include "update/HttpRequest.h"

namespace veyra {

std::wstring FetchVersionFileFrom(std::string_view host, std::wstring_view versionStamp,
                                  const FetchLimits& limits, std::string* connectedTo) {
    return HttpGet(host, kUpdatePort, VersionFileTarget(versionStamp), limits, connectedTo);
}

std::wstring FetchVersionFile(std::wstring_view versionStamp) {
    return FetchVersionFileFrom(VEYRA_UPDATE_HOST, versionStamp);
}

} // namespace veyra
