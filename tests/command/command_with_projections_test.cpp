// Whole runs through runPosalignCommand, with the plug-in's own projections and storage, on tiny grids that
// the host aligns exactly (identity initial alignment, identity flip, unit voxels): every voxel maps to
// itself, so the results can be stated voxel by voxel.
#include <gtest/gtest.h>

#include <algorithm>

#include "command/run_command.h"
#include "recording_host.h"

namespace {

class CommandWithProjections : public ::testing::Test {
  protected:
    void SetUp() override { installFakeHost(); }
    RecordingHost& host() { return recordingHost(); }

    // VMR bytes 0, 10, ... 70 at 0; FMR 1 (and 2) of 2x2x2 voxels.
    void workspace(int fmrCount) {
        host().documentCount = 1 + fmrCount;
        host().addVmr(0, 2, 2, 2);
        for (int i = 0; i < 8; ++i) {
            host().vmrVoxels[i] = static_cast<unsigned char>(10 * i);
        }
        host().addFmr(1, "run1", 2, 2, 2, 1).intSamples = {0, 1, 2, 3, 4, 5, 6, 7};
        if (fmrCount == 2) {
            host().addFmr(2, "run2", 2, 2, 2, 1).intSamples = {7, 6, 5, 4, 3, 2, 1, 0};
        }
    }

    // Position of text among the calls, or -1.
    long position(const std::string& call) {
        auto found = std::find(host().calls.begin(), host().calls.end(), call);
        return found == host().calls.end() ? -1 : found - host().calls.begin();
    }

    long positionOfPrefix(const std::string& prefix) {
        for (size_t i = 0; i < host().calls.size(); ++i) {
            if (host().calls[i].rfind(prefix, 0) == 0) {
                return static_cast<long>(i);
            }
        }
        return -1;
    }
};

TEST_F(CommandWithProjections, MappingOnePaintsTheNormalisedFmrIntoTheVmr) {
    workspace(1);
    host().mappingAnswer = 1;
    EXPECT_TRUE(runPosalignCommand());
    // Samples 0..7 normalise to 225*i/7; painted where above 20, rounded half up.
    std::vector<unsigned char> expected = {0, 32, 64, 96, 129, 161, 193, 225};
    EXPECT_EQ(host().vmrVoxels, expected);
    long projecting = position("log: Projecting FMRs in VMR");
    long finalMatrix = positionOfPrefix("log: Final FMR to VMR mapping: ");
    ASSERT_GE(projecting, 0);
    EXPECT_GT(finalMatrix, projecting);
    EXPECT_EQ(host().calls.back(), "log: Finished.\n");
    EXPECT_TRUE(host().headersSaved.empty());
}

TEST_F(CommandWithProjections, MappingTwoSavesThreeTimesTheVmrIntoEachFmr) {
    workspace(2);
    host().mappingAnswer = 2;
    EXPECT_TRUE(runPosalignCommand());
    std::vector<int16_t> expected = {0, 30, 60, 90, 120, 150, 180, 210};
    EXPECT_EQ(host().fmrs[1].intSamples, expected);
    EXPECT_EQ(host().fmrs[2].intSamples, expected);
    EXPECT_STREQ(host().headersSaved[1].fileName, "run1_VMR.fmr");
    EXPECT_STREQ(host().headersSaved[2].fileName, "run2_VMR.fmr");
    long secondMatrix = -1;
    for (size_t i = 0; i < host().calls.size(); ++i) {
        if (host().calls[i].rfind("log: Final VMR to FMR mapping: ", 0) == 0) {
            secondMatrix = static_cast<long>(i);
        }
    }
    // Both projections run before the first write-back.
    EXPECT_LT(secondMatrix, positionOfPrefix("zrSetHeaderOfCurrentFMR(1: "));
    EXPECT_EQ(host().calls.back(), "log: Finished.\n");
}

TEST_F(CommandWithProjections, MappingThreeCopiesFmrTwoIntoFmrOneAndSavesIt) {
    workspace(2);
    host().mappingAnswer = 3;
    EXPECT_TRUE(runPosalignCommand());
    // FMR 2 normalises to 225*(7-i)/7; where that is above 20 (i < 7) it replaces FMR 1's value, which is
    // then written back truncated; the last voxel keeps FMR 1's 225.
    std::vector<int16_t> expected = {225, 192, 160, 128, 96, 64, 32, 225};
    EXPECT_EQ(host().fmrs[1].intSamples, expected);
    EXPECT_STREQ(host().headersSaved[1].fileName, "run1_from_run2.fmr");
    EXPECT_EQ(host().headersSaved.count(2), 0u);
    EXPECT_GE(position("log: New name for mapping from second to first FMR:"), 0);
    EXPECT_EQ(host().calls.back(), "log: Finished.\n");
}

} // namespace
