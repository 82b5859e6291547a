#include "support/NarrowText_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace veyra {
namespace {

struct NarrowCase {
    std::wstring_view text;
    unsigned codePage;
    std::string expected;
};

// Code page 1252 named outright, so the cases do not depend on the system's ANSI code page.
// U+0142 has a best-fit look-alike ("l") in 1252 and U+4E2D none: both become the default "?".
// UTF-7 refuses the no-best-fit flag, so its case takes the conversion without it.
const NarrowCase kCases[] = {
    {L"", CP_UTF8, ""},
    {L"verifica\u00E7\u00E3o", CP_UTF8, "verifica\xC3\xA7\xC3\xA3o"},
    {L"\U0001F600", CP_UTF8, "\xF0\x9F\x98\x80"},
    {L"Atualiza\u00E7\u00E3o \u0142\u4E2D", 1252, "Atualiza\xE7\xE3o ??"},
    {L"plain", CP_UTF7, "plain"},
};

TEST(NarrowTextTest, ConvertsIntoTheNamedCodePageWithoutBestFit) {
    for (const NarrowCase& c : kCases)
        EXPECT_EQ(Narrow(c.text, c.codePage), c.expected) << "code page " << c.codePage;
}

} // namespace
} // namespace veyra
