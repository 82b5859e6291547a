#include "support/LinkSafety.h"

#include <gtest/gtest.h>

namespace veyra {
namespace {

TEST(SingleThreadLinkSafetyTest, ReparsePointsAndFilesWithSeveralNamesLeadElsewhere) {
    struct Case {
        const char* name;
        NameFacts facts;
        bool leadsElsewhere;
    };
    const Case cases[] = {
        {"a plain file", {false, 1}, false},
        {"a file being deleted (no name left)", {false, 0}, false},
        {"a hard link: a second name of another file", {false, 2}, true},
        {"a file with many names", {false, 1024}, true},
        {"a symbolic link or junction", {true, 1}, true},
        {"a reparse point with several names", {true, 3}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LeadsElsewhere(c.facts), c.leadsElsewhere) << c.name;
}

} // namespace
} // namespace veyra
