// Any label text, of any length or content, must be read without crashing; one that parses must
// be exactly the text SignedLabelText writes for its parts, so that one signed label has one
// text. The input's bytes are taken two at a time as 16-bit code units, as Windows' wchar_t holds
// the body, so characters beyond Latin-1 are reached too.
#include "update/UpdateSignature.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring body;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        body.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));

    const std::wstring text = veyra::LabelTextFromBody(body);
    if (text.size() > body.size() || text.find(L'|') != std::wstring::npos ||
        (!text.empty() && (text.front() <= L' ' || text.back() <= L' ')))
        __builtin_trap();

    for (const std::wstring_view label : {std::wstring_view(body), std::wstring_view(text)}) {
        const veyra::ParsedLabel parsed = veyra::ParseSignedLabel(label);
        const bool tagged = label.find(L";veyrasig1;") != std::wstring_view::npos;
        if ((parsed.verdict == veyra::SignatureVerdict::missing) == tagged)
            __builtin_trap();
        if (parsed.verdict != veyra::SignatureVerdict::valid)
            continue;
        if (parsed.parts.keyId.size() != veyra::kKeyIdLength)
            __builtin_trap();
        const std::string written =
            veyra::SignedLabelText(parsed.parts.label, parsed.parts.keyId, parsed.parts.signature);
        if (!std::equal(written.begin(), written.end(), label.begin(), label.end()))
            __builtin_trap();
    }
    return 0;
}
