// The names a saved FMR gets, composed within the header fields' capacities.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command/fmr_naming.h"

namespace {

FmrHeader headerWithPrefix(const char* prefix) {
    FmrHeader header{};
    std::snprintf(header.stcPrefix, sizeof header.stcPrefix, "%s", prefix);
    return header;
}

TEST(FmrNaming, ComposesTheSavedNames) {
    FmrSavedNames names;
    ASSERT_TRUE(composeVmrProjectionNames(headerWithPrefix("run1"), names));
    EXPECT_STREQ(names.stcPrefix, "run1_VMR");
    EXPECT_STREQ(names.fileName, "run1_VMR.fmr");
    ASSERT_TRUE(composeFmrProjectionNames(headerWithPrefix("run1"), headerWithPrefix("run2"), names));
    EXPECT_STREQ(names.stcPrefix, "run1_from_run2");
    EXPECT_STREQ(names.fileName, "run1_from_run2.fmr");
    ASSERT_TRUE(composeVmrProjectionNames(headerWithPrefix(""), names));
    EXPECT_STREQ(names.fileName, "_VMR.fmr");
}

TEST(FmrNaming, ApplyingEmptiesTheLinkedFileAndLeavesOtherBytes) {
    FmrHeader header = headerWithPrefix("run1");
    std::snprintf(header.fileName, sizeof header.fileName, "a_much_longer_original_name.fmr");
    std::snprintf(header.linkedFileName, sizeof header.linkedFileName, "run1.prt");
    header.dimX = 64;
    FmrSavedNames names;
    ASSERT_TRUE(composeVmrProjectionNames(header, names));
    applySavedNames(names, header);
    EXPECT_STREQ(header.stcPrefix, "run1_VMR");
    EXPECT_STREQ(header.fileName, "run1_VMR.fmr");
    EXPECT_STREQ(header.linkedFileName, "");
    EXPECT_EQ(header.dimX, 64);
}

TEST(FmrNaming, JoinRefusesWhatDoesNotFitAndReadsOnlyWithinBounds) {
    char destination[8];
    std::memset(destination, 'x', sizeof destination);
    const char unterminated[4] = {'a', 'b', 'c', 'd'}; // no NUL: read no further than its 4 bytes
    struct Case {
        const char* name;
        std::vector<NamePart> parts;
        size_t capacity;
        const char* result; // null: refused
    };
    const size_t unbounded = static_cast<size_t>(-1);
    const Case cases[] = {
        {"exact fit", {{"abc", unbounded}, {".fmr", unbounded}}, 8, "abc.fmr"},
        {"one over", {{"abcd", unbounded}, {".fmr", unbounded}}, 8, nullptr},
        {"bounded part", {{unterminated, 4}, {"_V", unbounded}}, 8, "abcd_V"},
        {"bounded part too long", {{unterminated, 4}, {"_VMR", unbounded}}, 8, nullptr},
        {"bound shorter than text", {{"abcdef", 2}, {"!", unbounded}}, 8, "ab!"},
        {"zero capacity", {{"", unbounded}}, 0, nullptr},
        {"empty fits one byte", {{"", unbounded}}, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::memset(destination, 'x', sizeof destination);
        bool joined =
            joinNameParts(destination, c.capacity, c.parts.data(), static_cast<int>(c.parts.size()));
        if (c.result == nullptr) {
            EXPECT_FALSE(joined);
            EXPECT_EQ(std::string(destination, sizeof destination), std::string(8, 'x'));
        } else {
            EXPECT_TRUE(joined);
            EXPECT_STREQ(destination, c.result);
        }
    }
}

} // namespace
