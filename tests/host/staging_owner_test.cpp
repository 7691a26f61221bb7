// Staging folders named after their owner: which ones a later run may remove, and that it removes exactly
// those.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "host/output_files/staging_owner.h"
#include "tests/host/app_test_support.h"

namespace {

// The name of a staging folder of this machine for the given pid and start time.
std::string stagingName(const std::string& pid, const std::string& start) {
    std::string own = stagingFolderPattern("f").substr(2); // .zentrovis-run-MACHINE-PID-START-XXXXXX
    std::string machine = own.substr(0, own.find('-', std::string(kStagingPrefix).size()));
    return machine + "-" + pid + "-" + start + "-abc123";
}

// A pid that no process holds now: a child that has ended and been reaped.
std::string endedPid() {
    pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    waitpid(child, nullptr, 0);
    return std::to_string(child);
}

TEST(StagingOwner, OnlyFoldersOfEndedOwnersOnThisMachineCountAsAbandoned) {
    const std::string ownPid = std::to_string(getpid());
    std::string own = stagingFolderPattern("f").substr(2);
    own = own.substr(0, own.size() - 6) + "abc123";
    const struct {
        const char* what;
        std::string name;
        bool gone;
    } cases[] = {
        {"this live process", own, false},
        {"an ended process", stagingName(endedPid(), "12345"), true},
        {"this pid, started at another time (reused)", stagingName(ownPid, "1"), true},
        {"this pid, start time unknown", stagingName(ownPid, "0"), false},
        {"another machine's", ".zentrovis-run-0123456789abcdef-" + endedPid() + "-5-abc123", false},
        {"the former unnamed form", ".zentrovis-run-abc123", false},
        {"not a staging folder", "sub-01", false},
        {"a malformed pid", stagingName("12x", "5"), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(stagingOwnerIsGone(c.name), c.gone) << c.what << ": " << c.name;
    }
}

TEST(StagingOwner, ARunRemovesAbandonedStagingWithItsFilesAndNothingElse) {
    ScratchFolder out;
    const std::string dead = out.file(stagingName(endedPid(), "77"));
    const std::string live = out.file(stagingFolderPattern(".").substr(2, std::string::npos));
    for (const std::string& folder : {dead, live}) {
        ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
        writeBytesForTest(folder + "/0000.nii.gz", "staged");
    }
    ASSERT_EQ(symlink(out.file("keep.txt").c_str(), (dead + "/old-0001").c_str()), 0);
    writeBytesForTest(out.file("keep.txt"), "a file the link points to");
    EXPECT_EQ(removeAbandonedStaging(out.path), 1);
    EXPECT_FALSE(fileExists(dead));
    EXPECT_TRUE(fileExists(live + "/0000.nii.gz"));
    EXPECT_EQ(readTextFile(out.file("keep.txt")), "a file the link points to");
    // A folder inside is not the program's: the abandoned folder then stays, with that folder.
    const std::string other = out.file(stagingName(endedPid(), "78"));
    ASSERT_EQ(mkdir(other.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((other + "/inner").c_str(), 0700), 0);
    EXPECT_EQ(removeAbandonedStaging(out.path), 0);
    EXPECT_TRUE(fileExists(other + "/inner"));
}

} // namespace
