// The output rules: which files a run may write, staging a run's outputs in a private folder, putting them
// in place together, and leaving nothing behind after a failure or an interrupt.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

#include "host/output_files/output_files.h"
#include "tests/host/app_test_support.h"

namespace {

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
