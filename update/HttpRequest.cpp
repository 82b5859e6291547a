#include "update/HttpRequest.h"

#include <cstdint>

namespace veyra {

std::string VersionFileTarget(std::wstring_view stamp) {
    std::string target = kVersionFilePath;
    target += "?v=";
    for (const wchar_t c : stamp)
        target += (static_cast<std::uint32_t>(c) < 0x80) ? static_cast<char>(c) : '?';
    return target;
}

std::string BuildRequestHead(std::string_view host, std::string_view target) {
    // The values a browser of the product's era sent; servers and their logs see exactly these.
    std::string head;
    head.reserve(300 + host.size() + target.size());
    head.append("GET ").append(target).append(" HTTP/1.1\r\n");
    head.append("Cache-control: no-cache\r\n");
    head.append("Host: ").append(host).append("\r\n");
    head.append("Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n");
    head.append("Accept-Encoding: identity\r\n");
    head.append("User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64; rv:12.0) Gecko/20100101 "
                "Firefox/12.0\r\n");
    head.append("\r\n");
    return head;
}

} // namespace veyra
