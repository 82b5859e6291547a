#include "studio/Json.h"

#include <cstdio>

namespace veyra::studio {

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        const auto code = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (code < 0x20 || code == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(code));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

JsonObject& JsonObject::Raw(std::string_view name, std::string_view json) {
    if (!members_.empty())
        members_ += ",";
    members_ += JsonString(name);
    members_ += ":";
    members_ += json;
    return *this;
}

JsonObject& JsonObject::String(std::string_view name, std::string_view utf8) {
    return Raw(name, JsonString(utf8));
}

JsonObject& JsonObject::Number(std::string_view name, unsigned long long value) {
    return Raw(name, std::to_string(value));
}

JsonObject& JsonObject::Bool(std::string_view name, bool value) {
    return Raw(name, value ? "true" : "false");
}

JsonObject& JsonObject::Null(std::string_view name) {
    return Raw(name, "null");
}

JsonObject& JsonObject::Strings(std::string_view name, const std::vector<std::string>& utf8) {
    std::string array = "[";
    for (const std::string& text : utf8)
        array += (array.size() > 1 ? "," : "") + JsonString(text);
    return Raw(name, array + "]");
}

} // namespace veyra::studio
