// Names printed on a terminal: control characters escaped, layout kept when asked.
#include <gtest/gtest.h>

#include "host/terminal/printable_text.h"

namespace {

TEST(PrintableText, EscapesControlCharactersAndKeepsLayoutWhenAsked) {
    const struct {
        const char* text;
        bool keepLayout;
        const char* printed;
    } cases[] = {
        {"run\x1b[2J.nii", false, "run\\x1b[2J.nii"},
        {"a\tb\nc\r", false, "a\\x09b\\x0ac\\x0d"},
        {"a\tb\nc\r", true, "a\tb\nc\\x0d"},
        {"del\x7f \xc3\xa9", true, "del\\x7f \xc3\xa9"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(printableText(c.text, c.keepLayout), c.printed) << c.text;
    }
}

} // namespace
