// The terminal prompt for a whole number: answers out of range or not numbers are asked again.
#include <gtest/gtest.h>

#include <sstream>

#include "host/terminal/integer_prompt.h"

namespace {

struct PromptCase {
    const char* typed;
    int value;
    bool tookDefault;
    int complaints; // answers refused before the accepted one
};

TEST(IntegerPrompt, AsksAgainUntilAWholeNumberInRange) {
    const PromptCase cases[] = {
        {"2\n", 2, false, 0},
        {" 3 \n", 3, false, 0},
        {"0\n4\n-1\n1\n", 1, false, 3},
        {"two\n2.5\n2x\n3\n", 3, false, 3},
        {"\n", 1, true, 0},
        {"", 1, true, 0},
        {"9\n", 1, true, 1},
        {"99999999999999\n2\n", 2, false, 1},
    };
    for (const PromptCase& c : cases) {
        std::istringstream in(c.typed);
        std::ostringstream out;
        PromptAnswer answer = askInteger(in, out, "Please select a mapping:", 1, 1, 3);
        EXPECT_EQ(answer.value, c.value) << "typed: " << c.typed;
        EXPECT_EQ(answer.tookDefault, c.tookDefault) << "typed: " << c.typed;
        std::string shown = out.str();
        EXPECT_EQ(shown.rfind("Please select a mapping:\n", 0), 0u);
        size_t complaints = 0;
        for (size_t at = shown.find("is not a whole number"); at != std::string::npos;
             at = shown.find("is not a whole number", at + 1)) {
            ++complaints;
        }
        EXPECT_EQ(complaints, static_cast<size_t>(c.complaints)) << "typed: " << c.typed;
    }
}

} // namespace
