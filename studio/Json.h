#pragma once
// JSON for the tool's --json output: one object on one line.
#include <string>
#include <string_view>
#include <vector>

namespace veyra::studio {

// `utf8` as a JSON string in double quotes: the quote, the backslash and every control character
// (U+0000 to U+001F, and DEL) escaped, other characters as they are (UTF-8).
std::string JsonString(std::string_view utf8);

// An object built member by member, in order; values are given as JSON text.
class JsonObject {
public:
    JsonObject& Raw(std::string_view name, std::string_view json);
    JsonObject& String(std::string_view name, std::string_view utf8);
    JsonObject& Number(std::string_view name, unsigned long long value);
    JsonObject& Bool(std::string_view name, bool value);
    JsonObject& Null(std::string_view name);
    JsonObject& Strings(std::string_view name, const std::vector<std::string>& utf8);
    // The object's text, "{...}".
    std::string Text() const { return "{" + members_ + "}"; }

private:
    std::string members_;
};

} // namespace veyra::studio
