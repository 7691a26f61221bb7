// Splitting of the Windows command line that the cross build's console entry point hands to main.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "platform/windows_runtime/command_line.h"

namespace {

std::vector<std::string> split(const char* line) {
    std::vector<char> storage(strlen(line) + 1, '\x7f');
    std::vector<char*> arguments(commandLineArgumentCapacity(strlen(line)), nullptr);
    int count = splitCommandLine(line, storage.data(), arguments.data());
    EXPECT_EQ(arguments[count], nullptr);
    return std::vector<std::string>(arguments.begin(), arguments.begin() + count);
}

struct SplitCase {
    const char* name;
    const char* line;
    std::vector<std::string> expected;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const SplitCase& splitCase, std::ostream* out) {
    *out << splitCase.name;
}

class SplitCommandLine : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLine, GivesTheArgumentsTheCRuntimeWouldGive) {
    EXPECT_EQ(split(GetParam().line), GetParam().expected);
}

const SplitCase kCases[] = {
    {"Empty", "", {}},
    {"OnlyBlanks", " \t ", {}},
    {"ProgramOnly", "Zentrovis.exe", {"Zentrovis.exe"}},
    {"BlanksAndTabsSeparate", "  a.exe \t--mapping\t 2  ", {"a.exe", "--mapping", "2"}},
    {"QuotedProgramWithSpace", "\"C:\\Program Files\\Z.exe\" x", {"C:\\Program Files\\Z.exe", "x"}},
    {"ProgramNameKeepsBackslashBeforeQuote", "\"C:\\dir\\\\\" x", {"C:\\dir\\\\", "x"}},
    {"QuotedArgumentWithSpace", "z \"a b\"  c", {"z", "a b", "c"}},
    {"QuotesInsideAnArgument", "z ab\"c d\"e", {"z", "abc de"}},
    {"EmptyQuotedArgument", "z \"\" x", {"z", "", "x"}},
    {"BackslashesWithoutQuoteAreLiteral", "z Z:\\work\\posalign.dll", {"z", "Z:\\work\\posalign.dll"}},
    {"EscapedQuote", "z a\\\"b", {"z", "a\"b"}},
    {"EvenBackslashesBeforeQuote", "z \"a\\\\\" b", {"z", "a\\", "b"}},
    {"OddBackslashesBeforeQuote", "z \"a\\\\\\\" b\"", {"z", "a\\\" b"}},
    {"DoubledQuoteInsideQuotes", "z \"a\"\"b\"", {"z", "a\"b"}},
    {"TrailingBackslashes", "z a\\\\", {"z", "a\\\\"}},
    {"UnclosedQuoteRunsToTheEnd", "z \"a b", {"z", "a b"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, SplitCommandLine, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SplitCase>& info) { return info.param.name; });

// The worst case for the argument slots: one-character arguments, or empty quoted ones.
TEST(SplitCommandLineCapacity, HoldsTheMostArgumentsALineCanHave) {
    for (const char* line : {"a b c d e f g", "a \"\" \"\" \"\" \"\"", "a b", "\"\" \"\"", "a"}) {
        std::vector<std::string> arguments = split(line);
        EXPECT_LT(arguments.size(), commandLineArgumentCapacity(strlen(line))) << line;
    }
}

} // namespace
