// Smaller parts of the stand-in host: anatomical scaling, the terminal prompt, the command line and the
// output rules.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <limits>
#include <sstream>

#include "host/app/anatomy_scaling.h"
#include "host/app/command_line.h"
#include "host/app/file_moves.h"
#include "host/app/integer_prompt.h"
#include "host/app/output_files.h"
#include "host/app/printable_text.h"
#include "tests/host/app_test_support.h"

namespace {

std::vector<uint8_t> scaleAnatomyToVmrBytes(const std::vector<float>& samples) {
    std::vector<uint8_t> bytes(samples.size(), 77); // every byte must be written
    ::scaleAnatomyToVmrBytes(samples.data(), samples.size(), bytes.data());
    return bytes;
}

TEST(AnatomyScaling, MapsMinimumAndPercentileToTheAnatomyRange) {
    // 1000 samples 0..999 and one bright outlier: the 99.5th percentile (about 995) becomes 225.
    std::vector<float> samples;
    for (int i = 0; i < 1000; ++i) {
        samples.push_back(static_cast<float>(i));
    }
    samples.push_back(100000.0f);
    std::vector<uint8_t> bytes = scaleAnatomyToVmrBytes(samples);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[500], 113); // 500 * 225 / 995 = 113.07
    EXPECT_EQ(bytes[999], 225);
    EXPECT_EQ(bytes[1000], 225); // the outlier is clamped, not above the reserved limit
    for (uint8_t b : bytes) {
        EXPECT_LE(b, kVmrAnatomyMaximum);
    }
}

TEST(AnatomyScaling, HandlesConstantNonFiniteAndSparseVolumes) {
    EXPECT_EQ(scaleAnatomyToVmrBytes({5, 5, 5}), (std::vector<uint8_t>{0, 0, 0}));
    float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(scaleAnatomyToVmrBytes({nan, 0, inf, 10}), (std::vector<uint8_t>{0, 0, 0, 225}));
    // Mostly background with a few bright voxels: the percentile equals the minimum, the maximum is used.
    std::vector<float> sparse(1000, 0.0f);
    sparse[3] = 50.0f;
    sparse[7] = 100.0f;
    std::vector<uint8_t> bytes = scaleAnatomyToVmrBytes(sparse);
    EXPECT_EQ(bytes[3], 113);
    EXPECT_EQ(bytes[7], 225);
    EXPECT_EQ(bytes[0], 0);
}

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

TEST(OutputFiles, RefusesInputsForeignAndExistingFilesUnlessForced) {
    ScratchFolder folder;
    std::string input = folder.file("input.nii"), existing = folder.file("old.png"),
                foreign = folder.file("notes.png"), fresh = folder.file("new.png");
    writeBytesForTest(input, "in");
    writeBytesForTest(existing, "old");
    writeBytesForTest(foreign, "mine");
    OutputPolicy policy;
    policy.inputPaths = {input};
    policy.onlyRecorded = true;
    policy.recorded = {"old.png", "input.nii"};
    EXPECT_EQ(checkOutputAllowed(policy, fresh), "");
    EXPECT_NE(checkOutputAllowed(policy, existing).find("--force"), std::string::npos);
    EXPECT_NE(checkOutputAllowed(policy, input).find("input"), std::string::npos);
    // The same input reached through another path is still the input.
    EXPECT_NE(checkOutputAllowed(policy, folder.path + "/./input.nii").find("input"), std::string::npos);
    policy.force = true;
    EXPECT_EQ(checkOutputAllowed(policy, existing), "");
    EXPECT_NE(checkOutputAllowed(policy, foreign).find("not written by a run"), std::string::npos);
    EXPECT_NE(checkOutputAllowed(policy, input).find("input"), std::string::npos);
    EXPECT_NE(checkOutputAllowed(policy, folder.path).find("not a regular file"), std::string::npos);
}

// Stages a.txt and b.txt into folder/out as a run with --force would.
std::string stageTwoTexts(OutputRun& run, const std::string& out) {
    OutputPolicy policy;
    policy.force = true;
    policy.onlyRecorded = true;
    policy.recorded = readOutputRecord(out);
    std::string problem = beginOutputRun(out, policy, run);
    for (const char* name : {"a.txt", "b.txt"}) {
        if (problem.empty()) {
            problem = stageOutput(run, name, [&](const std::string& staged) {
                return writeTextFile(staged, std::string("new ") + name);
            });
        }
    }
    return problem;
}

TEST(OutputRun, IsPutInPlaceTogetherAndReplacesOnlyTheEarlierRunsOutputs) {
    ScratchFolder folder;
    std::string out = folder.file("out");
    ASSERT_EQ(mkdir(out.c_str(), 0777), 0);
    for (const char* name : {"a.txt", "window-05.png", "notes.txt"}) {
        writeBytesForTest(out + "/" + name, "old");
    }
    writeBytesForTest(out + "/" + kOutputRecordName, "a.txt\nwindow-05.png\n../escape\n");
    writeBytesForTest(folder.file("escape"), "outside");
    OutputRun run;
    ASSERT_EQ(stageTwoTexts(run, out), "");
    EXPECT_EQ(readTextFile(out + "/a.txt"), "old") << "nothing moves before the run has succeeded";
    EXPECT_FALSE(fileExists(out + "/b.txt"));
    ASSERT_EQ(commitOutputRun(run), "");
    EXPECT_EQ(folderEntries(out),
              (std::vector<std::string>{kOutputRecordName, "a.txt", "b.txt", "notes.txt"}));
    EXPECT_EQ(readTextFile(out + "/a.txt"), "new a.txt");
    EXPECT_EQ(readTextFile(out + "/notes.txt"), "old");
    EXPECT_EQ(readTextFile(folder.file("escape")), "outside");
    EXPECT_EQ(readTextFile(out + "/" + kOutputRecordName), "a.txt\nb.txt\n");
}

// Every entry of a folder with what it holds (a link's target, a file's bytes), but for the folder skipped.
std::string folderSnapshot(const std::string& folder, const std::string& skipped) {
    std::string snapshot;
    for (const std::string& name : folderEntries(folder)) {
        std::string path = folder + "/" + name;
        char target[256] = {};
        bool isLink = readlink(path.c_str(), target, sizeof target - 1) >= 0;
        if (path != skipped) {
            snapshot += name + (isLink ? " -> " + std::string(target) : ": " + readTextFile(path)) + "\n";
        }
    }
    return snapshot;
}

struct RunFailureCase {
    const char* name;
    void (*spoil)(const std::string& out, OutputRun& run); // after staging, before the commit
    const char* reason;                                    // empty: the run is abandoned instead
};

TEST(OutputRun, AFailedOrInterruptedRunLeavesTheFolderAsItWas) {
    const RunFailureCase cases[] = {
        {"abandoned", [](const std::string&, OutputRun&) {}, ""},
        {"link_planted_at_a_free_name",
         [](const std::string& out, OutputRun&) { symlink("../../input", (out + "/b.txt").c_str()); },
         "b.txt: appeared after the outputs were checked"},
        {"file_planted_at_a_free_name",
         [](const std::string& out, OutputRun&) { writeBytesForTest(out + "/b.txt", "theirs"); },
         "b.txt: appeared after the outputs were checked"},
        {"earlier_output_swapped_for_another_file",
         [](const std::string& out, OutputRun&) {
             writeBytesForTest(out + "/swap", "theirs");
             rename((out + "/swap").c_str(), (out + "/a.txt").c_str());
         },
         "a.txt: changed after the outputs were checked"},
        {"second_move_fails_after_the_first_replaced_a_file",
         [](const std::string&, OutputRun& run) { unlink(run.stagedPaths[1].c_str()); },
         "b.txt: could not be put in place"},
        {"interrupt_arrives_during_the_moves",
         [](const std::string&, OutputRun&) {
             sigset_t term;
             sigemptyset(&term);
             sigaddset(&term, SIGTERM);
             sigprocmask(SIG_BLOCK, &term, nullptr);
             raise(SIGTERM); // held back, as if it arrived while the files moved
         },
         "interrupted while the outputs were put in place"},
    };
    for (const RunFailureCase& c : cases) {
        ScratchFolder folder;
        std::string out = folder.file("made/out");
        writeBytesForTest(folder.file("input"), "in");
        // An earlier run made a.txt and old.txt; this run replaces a.txt and would drop old.txt.
        ASSERT_EQ(mkdir(folder.file("made").c_str(), 0777), 0);
        ASSERT_EQ(mkdir(out.c_str(), 0777), 0);
        writeBytesForTest(out + "/a.txt", "old a");
        writeBytesForTest(out + "/old.txt", "old");
        writeBytesForTest(out + "/" + kOutputRecordName, "a.txt\nold.txt\n");
        OutputRun run;
        ASSERT_EQ(stageTwoTexts(run, out), "") << c.name;
        c.spoil(out, run);
        std::string spoiled = folderSnapshot(out, run.staging);
        if (std::string(c.reason).empty()) {
            abandonOutputRun(run);
        } else {
            std::string problem = commitOutputRun(run);
            EXPECT_NE(problem.find(c.reason), std::string::npos) << c.name << ": " << problem;
        }
        sigset_t term;
        sigemptyset(&term);
        sigaddset(&term, SIGTERM);
        timespec now{0, 0};
        sigtimedwait(&term, nullptr, &now);
        sigprocmask(SIG_UNBLOCK, &term, nullptr);
        EXPECT_EQ(folderSnapshot(out, ""), spoiled) << c.name << ": the private folder is gone too";
        EXPECT_EQ(readTextFile(folder.file("input")), "in") << c.name;
    }
}

TEST(FileMoves, AFinalNameIsTakenOnlyWhileItIsFree) {
    const struct {
        const char* name;
        bool (*place)(const std::string& from, const std::string& to);
    } movers[] = {{"rename", placeAtFreeName}, {"link", placeByLink}};
    const struct {
        const char* name;
        void (*occupy)(const std::string& to);
    } targets[] = {
        {"free", [](const std::string&) {}},
        {"file", [](const std::string& to) { writeBytesForTest(to, "theirs"); }},
        {"link", [](const std::string& to) { symlink("theirs", to.c_str()); }},
    };
    for (const auto& mover : movers) {
        for (const auto& target : targets) {
            ScratchFolder folder;
            std::string from = folder.file(".new"), to = folder.file("out.txt");
            writeBytesForTest(from, "new");
            target.occupy(to);
            std::string before = folderSnapshot(folder.path, "");
            bool free = std::string(target.name) == "free";
            errno = 0;
            EXPECT_EQ(mover.place(from, to), free) << mover.name << " " << target.name;
            if (free) {
                EXPECT_EQ(folderSnapshot(folder.path, ""), "out.txt: new\n") << mover.name;
            } else {
                EXPECT_EQ(errno, EEXIST) << mover.name << " " << target.name;
                EXPECT_EQ(folderSnapshot(folder.path, ""), before) << mover.name << " " << target.name;
            }
        }
    }
}

TEST(OutputRun, AnInterruptRemovesEverythingOfTheRun) {
    ScratchFolder folder;
    std::string out = folder.file("made/out");
    pid_t child = fork();
    if (child == 0) {
        installRunCleanup();
        OutputRun run;
        stageTwoTexts(run, out);
        std::string staged;
        reserveOutput(run, "image.nii.gz", staged);
        writeTextFile(staged, "half an image");
        raise(SIGTERM); // as if the user stopped the run in the middle of a write
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_EQ(folderEntries(folder.path), std::vector<std::string>{});
}

} // namespace
