// The stand-in host's command line: the demo and file forms, and every refusal with its exit status.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "host/cli/command_line.h"

namespace {

struct CommandLineCase {
    std::vector<const char*> args;
    bool run;
    int exitCode;
    const char* errorPart;
};

TEST(CommandLine, AcceptsTheTwoFormsAndRefusesMisuse) {
    const CommandLineCase cases[] = {
        {{"--demo"}, true, 0, ""},
        {{"--demo", "--mapping", "2", "--out", "o", "--force", "--small-phantom", "--phantom-runs", "1"},
         true,
         0,
         ""},
        {{"--vmr", "a.nii", "--fmr", "b.nii"}, true, 0, ""},
        {{"--vmr", "a.nii", "--fmr", "b.nii", "--fmr", "c.nii.gz", "--plugin", "x.so"}, true, 0, ""},
        {{}, false, 2, "give --demo"},
        {{"--vmr", "a.nii"}, false, 2, "give --demo"},
        {{"--demo", "--vmr", "a.nii"}, false, 2, "does not take"},
        {{"--vmr", "a.nii", "--fmr", "b.nii", "--fmr", "c.nii", "--fmr", "d.nii"}, false, 2, "at most two"},
        {{"--demo", "--mapping", "4"}, false, 2, "--mapping"},
        {{"--demo", "--mapping", "x"}, false, 2, "--mapping"},
        {{"--vmr", "a.nii", "--fmr", "b.nii", "--small-phantom"}, false, 2, "go with --demo"},
        {{"--demo", "--bogus"}, false, 2, "--bogus"},
        {{"--demo", "--host-version", "2.9.9"}, true, 0, ""},
        {{"--demo", "--host-version", "99999999999.1.1"}, false, 2, "--host-version needs"},
        {{"--demo", "--host-version", "2.9"}, false, 2, "--host-version needs"},
        {{"--demo", "--host-version", "2.9.9x"}, false, 2, "--host-version needs"},
        {{"--demo", "--host-version", "-1.2.3"}, false, 2, "--host-version needs"},
        {{"--demo", "--host-version", "+2.9.9"}, false, 2, "--host-version needs"},
        {{"--demo", "--bad\x1b[2J"}, false, 2, "--bad\\x1b[2J"},
        {{"--help"}, false, 0, ""},
    };
    for (const CommandLineCase& c : cases) {
        std::vector<const char*> argv = {"Zentrovis"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        std::ostringstream out, err;
        ParsedCommandLine parsed = parseCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
        std::string joined;
        for (const char* a : c.args) {
            joined += std::string(a) + " ";
        }
        EXPECT_EQ(parsed.run, c.run) << joined;
        EXPECT_EQ(parsed.exitCode, c.exitCode) << joined;
        EXPECT_NE(err.str().find(c.errorPart), std::string::npos) << joined << "-> " << err.str();
    }
    std::ostringstream out, err;
    const char* help[] = {"Zentrovis", "--help"};
    parseCommandLine(2, help, out, err);
    EXPECT_NE(out.str().find("Zentrovis --demo --mapping 1"), std::string::npos);
    const char* full[] = {"Zentrovis", "--vmr", "a.nii",     "--fmr", "b.nii",
                          "--fmr",     "c.nii", "--mapping", "3"};
    ParsedCommandLine parsed = parseCommandLine(9, full, out, err);
    EXPECT_EQ(parsed.options.functionalPaths, (std::vector<std::string>{"b.nii", "c.nii"}));
    EXPECT_EQ(parsed.options.mapping, 3);
}

} // namespace
