// Whole runs of the execute command against the recording host: the exact host call sequence, the log texts,
// what the host's documents hold afterwards, and that every block the run took is given back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "command/command_run.h"
#include "command_scenarios.h"
#include "recording_host.h"

namespace {

class CommandRun : public ::testing::Test {
  protected:
    void SetUp() override {
        installFakeHost();
        CountingMemory::reset();
    }

    RecordingHost& host() { return recordingHost(); }

    // A 2x2x2 VMR at 0 and FMRs of the given shapes at 1 (and 2).
    void workspaceWithFmrs(int fmrCount, int dataType = 1, int dimX = 2, int dimY = 2, int dimZ = 2) {
        host().documentCount = 1 + fmrCount;
        host().addVmr(0, 2, 2, 2);
        host().addFmr(1, "run1", dimX, dimY, dimZ, dataType);
        if (fmrCount == 2) {
            host().addFmr(2, "run2", dimX, dimY, dimZ, dataType);
        }
    }

    bool run() {
        bool result = runCommandWith(CountingMemory::memory(), recordingProjections());
        EXPECT_EQ(CountingMemory::liveBlocks, 0) << "blocks not released by the run";
        return result;
    }

    // The calls of a run with the given FMRs (all of dataType) up to and including the prompt.
    CallList intakeCalls(int fmrCount, int dataType, bool precomparison, int documentCount) {
        CallList calls = workspaceCheckCalls(documentCount);
        calls.push_back("log: Get FMR header...");
        append(calls, fmrReadCalls(1, dataType));
        calls.push_back("log: Get FMR 2 header...");
        if (fmrCount == 2) {
            append(calls, fmrReadCalls(2, dataType));
        }
        if (precomparison) {
            calls.push_back(host().calls[calls.size()]); // values checked by their own tests
            calls.push_back(host().calls[calls.size()]);
        }
        append(calls, vmrReadCalls());
        append(calls, initialAlignmentCalls(1));
        if (fmrCount == 2) {
            append(calls, initialAlignmentCalls(2));
        }
        calls.push_back(promptCall());
        return calls;
    }
};

// --- refused workspaces
// -------------------------------------------------------------------------------------

struct RefusalCase {
    const char* name;
    int documentCount;
    std::vector<int> types; // by index
    CallList typeQueries;
};

TEST_F(CommandRun, RefusedWorkspacesLogOneLineAndAllocateNothing) {
    const RefusalCase cases[] = {
        {"no documents", 0, {}, {}},
        {"only a VMR", 1, {3}, {}},
        {"FMR first", 2, {1, 3}, {"zrGetDocumentType(0)"}},
        {"two VMRs", 2, {3, 3}, {"zrGetDocumentType(0)", "zrGetDocumentType(1)"}},
        {"VMR and another kind", 3, {3, 2, 1}, {"zrGetDocumentType(0)", "zrGetDocumentType(1)"}},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        installFakeHost();
        CountingMemory::reset();
        host().documentCount = c.documentCount;
        for (size_t i = 0; i < c.types.size(); ++i) {
            host().addDocumentOfType(static_cast<int>(i), c.types[i]);
        }
        EXPECT_FALSE(run());
        CallList expected = {"zrShowLogTab()", "log: \nposalignplugin> Started...",
                             "log: Check available projects...", "zrGetNumberOfDocsInWorkspace()"};
        append(expected, c.typeQueries);
        expected.push_back(
            "log: Document 1 needs to be a VMR and Document 2 an FMR (Document 3 FMR is optional)");
        EXPECT_EQ(host().calls, withProjectionLogs(expected));
        EXPECT_EQ(CountingMemory::requests, 0);
    }
}

// --- one FMR, each mapping
// ----------------------------------------------------------------------------------

TEST_F(CommandRun, OneFmrMappingOnePaintsAndSavesNothing) {
    workspaceWithFmrs(1);
    host().mappingAnswer = 1;
    EXPECT_TRUE(run());
    CallList expected = intakeCalls(1, 1, false, 2);
    append(expected, {"log: Projecting FMRs in VMR", "projectFmrToVmr(fmr 1)"});
    append(expected, runEndCalls());
    EXPECT_EQ(host().calls, withProjectionLogs(expected));
    EXPECT_TRUE(host().headersSaved.empty());
}

TEST_F(CommandRun, OneFmrMappingTwoWritesBackAndSavesAsVmrProjection) {
    workspaceWithFmrs(1);
    host().mappingAnswer = 2;
    host().effects.vmrToFmr1 = [](FloatVolume& v) {
        for (int i = 0; i < v.voxelCount; ++i) {
            v.values[i] = 3.0f * i;
        }
    };
    EXPECT_TRUE(run());
    CallList expected = intakeCalls(1, 1, false, 2);
    append(expected, {"log: Projecting VMR in FMR", "projectVmrToFmr(fmr 1)", "zrSetAsCurrentDocument(1)",
                      "zrGetSTCIntDataOfCurrentFMR(1)", "zrSetHeaderOfCurrentFMR(1: run1_VMR.fmr|run1_VMR|)",
                      "zrSaveFMRAndSTC(1: run1_VMR.fmr|run1_VMR|)",
                      "log: Reload FMR(s) and detach any AMRs to see the projection!"});
    append(expected, runEndCalls());
    EXPECT_EQ(host().calls, withProjectionLogs(expected));
    std::vector<int16_t> written = {0, 3, 6, 9, 12, 15, 18, 21};
    EXPECT_EQ(host().fmrs[1].intSamples, written);
}

TEST_F(CommandRun, MappingThreeWithOneFmrFallsBackToPaintingIt) {
    for (int answer : {3, 0, 7, -1}) {
        SCOPED_TRACE(answer);
        installFakeHost();
        CountingMemory::reset();
        workspaceWithFmrs(1);
        host().mappingAnswer = answer;
        EXPECT_TRUE(run());
        CallList expected = intakeCalls(1, 1, false, 2);
        append(expected,
               {"log: Projecting FMR1,FMR2->VMR and FMR2->FMR1",
                "log: No second FMR available, FMR to FMR mapping not possible; FMR will be mapped to VMR.",
                "projectFmrToVmr(fmr 1)"});
        append(expected, runEndCalls());
        EXPECT_EQ(host().calls, withProjectionLogs(expected));
        EXPECT_TRUE(host().headersSaved.empty());
    }
}

// --- two FMRs ----------------------------------------------------------------------------------------------

TEST_F(CommandRun, TwoFmrsMappingOnePaintsBothInOrder) {
    workspaceWithFmrs(2);
    host().fmrs[1].flipToWrite[0] = -1.0f;
    host().mappingAnswer = 1;
    EXPECT_TRUE(run());
    CallList expected = intakeCalls(2, 1, true, 3);
    append(expected, {"log: Projecting FMRs in VMR", "projectFmrToVmr(fmr 1)", "projectFmrToVmr(fmr 2)"});
    append(expected, runEndCalls());
    EXPECT_EQ(host().calls, withProjectionLogs(expected));
    // Both calls write the one flip matrix; the second call's value is the one the projections get.
    ASSERT_EQ(host().lastFlipMatrixWritten.size(), 16u);
    EXPECT_EQ(host().lastFlipMatrixWritten[0], 1.0f);
}

TEST_F(CommandRun, TwoFmrsMappingTwoSavesEachCompletelyInTurn) {
    workspaceWithFmrs(2);
    host().mappingAnswer = 2;
    EXPECT_TRUE(run());
    CallList expected = intakeCalls(2, 1, true, 3);
    append(expected, {"log: Projecting VMR in FMR", "projectVmrToFmr(fmr 1)", "projectVmrToFmr(fmr 2)",
                      "zrSetAsCurrentDocument(1)", "zrGetSTCIntDataOfCurrentFMR(1)",
                      "zrSetHeaderOfCurrentFMR(1: run1_VMR.fmr|run1_VMR|)",
                      "zrSaveFMRAndSTC(1: run1_VMR.fmr|run1_VMR|)", "zrSetAsCurrentDocument(2)",
                      "zrGetSTCIntDataOfCurrentFMR(2)", "zrSetHeaderOfCurrentFMR(2: run2_VMR.fmr|run2_VMR|)",
                      "zrSaveFMRAndSTC(2: run2_VMR.fmr|run2_VMR|)",
                      "log: Reload FMR(s) and detach any AMRs to see the projection!"});
    append(expected, runEndCalls());
    EXPECT_EQ(host().calls, withProjectionLogs(expected));
}

TEST_F(CommandRun, TwoFmrsMappingThreeSavesFirstUnderJoinedName) {
    workspaceWithFmrs(2, 2);
    host().mappingAnswer = 3;
    host().effects.twoFmrsToVmr1 = [](FloatVolume& v) { v.values[3] = 80.0f; };
    EXPECT_TRUE(run());
    CallList expected = intakeCalls(2, 2, true, 3);
    append(expected, {"log: Projecting FMR1,FMR2->VMR and FMR2->FMR1", "projectTwoFmrsToVmr(fmr 1, fmr 2)",
                      "zrSetAsCurrentDocument(1)", "zrGetSTCFloatDataOfCurrentFMR(1)",
                      "log: New name for mapping from second to first FMR:", "log: run1_from_run2.fmr",
                      "zrSetHeaderOfCurrentFMR(1: run1_from_run2.fmr|run1_from_run2|)",
                      "zrSaveFMRAndSTC(1: run1_from_run2.fmr|run1_from_run2|)",
                      "log: Reload FMR(s) and detach any AMRs to see the projection!"});
    append(expected, runEndCalls());
    EXPECT_EQ(host().calls, withProjectionLogs(expected));
    EXPECT_EQ(host().fmrs[1].floatSamples[3], 80.0f);
    // FMR 2 is only read.
    EXPECT_EQ(host().fmrs[2].floatSamples, std::vector<float>(8, 0.0f));
}

TEST_F(CommandRun, AnswersOutsideOneAndTwoRunTheFmrToFmrMapping) {
    CallList withThree;
    for (int answer : {3, 0, 7}) {
        SCOPED_TRACE(answer);
        installFakeHost();
        CountingMemory::reset();
        workspaceWithFmrs(2);
        host().mappingAnswer = answer;
        EXPECT_TRUE(run());
        if (answer == 3) {
            withThree = host().calls;
        } else {
            EXPECT_EQ(host().calls, withThree);
        }
        EXPECT_EQ(host().headersSaved[1].stcPrefix, std::string("run1_from_run2"));
    }
}

TEST_F(CommandRun, UnequalVoxelCountsSkipThePrecomparison) {
    host().documentCount = 3;
    host().addVmr(0, 2, 2, 2);
    host().addFmr(1, "run1", 2, 2, 2, 1).intSamples = {0, 1, 2, 3, 4, 5, 6, 7};
    host().addFmr(2, "run2", 2, 2, 3, 1).intSamples = {0, 10, 0, 10, 0, 10, 0, 10, 0, 10, 0, 20};
    host().mappingAnswer = 1;
    EXPECT_TRUE(run());
    CallList expected = intakeCalls(2, 1, false, 3);
    append(expected, {"log: Projecting FMRs in VMR", "projectFmrToVmr(fmr 1)", "projectFmrToVmr(fmr 2)"});
    append(expected, runEndCalls());
    EXPECT_EQ(host().calls, withProjectionLogs(expected));
    // Each volume is normalised with its own minimum and maximum.
    EXPECT_EQ(host().volumesSeenByProjections[2][11], 225.0f);
    EXPECT_EQ(host().volumesSeenByProjections[2][1], 112.5f);
    EXPECT_EQ(host().volumesSeenByProjections[1][7], 225.0f);
}

TEST_F(CommandRun, PrecomparisonSeesTheSamplesBeforeNormalisation) {
    struct Case {
        const char* name;
        std::vector<int16_t> first, second;
        const char* ncc;
        const char* ssd;
    };
    const Case cases[] = {
        {"identical", {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8}, "1.000000", "0.000000"},
        // Sab = 1, Saa = 1 + 4, Sbb = 1: NCC = 1 / 5; SSD = 0 + 4.
        {"small", {1, 0, 0, 0, 2, 0, 0, 0}, {1, 0, 0, 0, 0, 0, 0, 0}, "0.200000", "4.000000"},
        {"zeros", {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}, "nan", "0.000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        installFakeHost();
        CountingMemory::reset();
        host().documentCount = 3;
        host().addVmr(0, 2, 2, 2);
        host().addFmr(1, "run1", 2, 2, 2, 1).intSamples = c.first;
        // Same counts, different shapes (2x2x2 against 4x2x1): compared in storage order.
        host().addFmr(2, "run2", 4, 2, 1, 1).intSamples = c.second;
        EXPECT_TRUE(run());
        CallList logs = host().logTexts();
        ASSERT_GE(logs.size(), 6u);
        EXPECT_EQ(logs[4], std::string("NCC of FMR-FMR via dot product before intensity scaling: ") + c.ncc);
        EXPECT_EQ(logs[5], std::string("SSD of FMR-FMR before intensity scaling: ") + c.ssd);
        EXPECT_EQ(logs[6], "Get VMR header...");
    }
}

TEST_F(CommandRun, ThirdDocumentOfAnotherKindIsIgnoredAndLaterOnesNeverAsked) {
    host().documentCount = 5;
    host().addVmr(0, 2, 2, 2);
    host().addFmr(1, "run1", 2, 2, 2, 1);
    host().addDocumentOfType(2, 3);
    host().addDocumentOfType(3, 1);
    EXPECT_TRUE(run());
    CallList expected = intakeCalls(1, 1, false, 3);
    append(expected, {"log: Projecting FMRs in VMR", "projectFmrToVmr(fmr 1)"});
    append(expected, runEndCalls());
    EXPECT_EQ(host().calls, withProjectionLogs(expected));
}

TEST_F(CommandRun, InitialAlignmentIsLoggedAsTheHostWroteIt) {
    workspaceWithFmrs(1);
    IaMatrix& ia = host().fmrs[1].iaToWrite;
    for (int k = 0; k < 16; ++k) {
        ia.s[k] = 0.25f * k - 1.0f;
    }
    EXPECT_TRUE(run());
    const std::string expected = "Initial FMR1 to VMR mapping: \n"
                                 "\t-1.000000\t-0.750000\t-0.500000\t-0.250000\n"
                                 "\t0.000000\t0.250000\t0.500000\t0.750000\n"
                                 "\t1.000000\t1.250000\t1.500000\t1.750000\n"
                                 "\t2.000000\t2.250000\t2.500000\t2.750000\n";
    CallList logs = host().logTexts();
    ASSERT_GE(logs.size(), 6u);
    EXPECT_EQ(logs[5], expected);
}

// --- sample types and write-back ---------------------------------------------------------------------------

TEST_F(CommandRun, SixteenBitSamplesAreNormalisedAndWrittenBackTruncated) {
    workspaceWithFmrs(1, 1);
    host().fmrs[1].intSamples = {-32768, 32767, 0, 0, 0, 0, 0, 0};
    host().mappingAnswer = 2;
    host().effects.vmrToFmr1 = [](FloatVolume& v) {
        const float projected[8] = {765.0f, 12.999f, 224.9f, 0.7f, -3.7f, 40000.0f, NAN, INFINITY};
        std::memcpy(v.values, projected, sizeof projected);
    };
    EXPECT_TRUE(run());
    const std::vector<float>& seen = host().volumesSeenByProjections[1];
    ASSERT_EQ(seen.size(), 8u);
    EXPECT_EQ(seen[0], 0.0f);
    EXPECT_EQ(seen[1], 225.0f);
    std::vector<int16_t> expected = {765, 12, 224, 0, -3, -25536, 0, 0};
    EXPECT_EQ(host().fmrs[1].intSamples, expected);
}

TEST_F(CommandRun, FloatSamplesAreCopiedBitForBitBothWays) {
    workspaceWithFmrs(1, 2);
    host().fmrs[1].floatSamples = {0.0f, 0.5f, 1.0f, 2.0f, 4.0f, 8.0f, 16.0f, 45.0f};
    host().mappingAnswer = 2;
    uint32_t payloadNan = 0x7fc01234u;
    float projected[8] = {0.1f, 765.0f, 12.999f, -0.0f, 1e-40f, 3.0e38f, 0.0f, 0.0f};
    std::memcpy(&projected[6], &payloadNan, sizeof payloadNan);
    host().effects.vmrToFmr1 = [&](FloatVolume& v) { std::memcpy(v.values, projected, sizeof projected); };
    EXPECT_TRUE(run());
    std::vector<float> normalised = {0.0f, 2.5f, 5.0f, 10.0f, 20.0f, 40.0f, 80.0f, 225.0f};
    EXPECT_EQ(host().volumesSeenByProjections[1], normalised);
    EXPECT_EQ(std::memcmp(host().fmrs[1].floatSamples.data(), projected, sizeof projected), 0);
}

TEST_F(CommandRun, OtherDataTypesAreNeitherReadNorWrittenButStillSaved) {
    workspaceWithFmrs(1, 5);
    host().fmrs[1].intSamples = {9, 9, 9, 9, 9, 9, 9, 9};
    host().fmrs[1].floatSamples = {9, 9, 9, 9, 9, 9, 9, 9};
    host().mappingAnswer = 2;
    EXPECT_TRUE(run());
    CallList expected = intakeCalls(1, 5, false, 2);
    append(expected, {"log: Projecting VMR in FMR", "projectVmrToFmr(fmr 1)", "zrSetAsCurrentDocument(1)",
                      "zrSetHeaderOfCurrentFMR(1: run1_VMR.fmr|run1_VMR|)",
                      "zrSaveFMRAndSTC(1: run1_VMR.fmr|run1_VMR|)",
                      "log: Reload FMR(s) and detach any AMRs to see the projection!"});
    append(expected, runEndCalls());
    EXPECT_EQ(host().calls, withProjectionLogs(expected));
    EXPECT_EQ(host().volumesSeenByProjections[1], std::vector<float>(8, 0.0f));
    EXPECT_EQ(host().fmrs[1].intSamples, std::vector<int16_t>(8, 9));
    EXPECT_EQ(host().fmrs[1].floatSamples, std::vector<float>(8, 9.0f));
}

TEST_F(CommandRun, SavedNamesExtendTheHostsCurrentPrefix) {
    workspaceWithFmrs(1);
    std::snprintf(host().fmrs[1].header.stcPrefix, sizeof(FmrHeader::stcPrefix), "run1_VMR");
    host().mappingAnswer = 2;
    EXPECT_TRUE(run());
    const FmrHeader& saved = host().headersSaved[1];
    EXPECT_STREQ(saved.stcPrefix, "run1_VMR_VMR");
    EXPECT_STREQ(saved.fileName, "run1_VMR_VMR.fmr");
    EXPECT_STREQ(saved.linkedFileName, "");
    // The fields the run does not name are handed back as the host filled them.
    EXPECT_EQ(saved.dimX, 2);
    EXPECT_EQ(saved.dataType, 1);
}

// --- refusals inside the intake
// -----------------------------------------------------------------------------

struct IntakeRefusal {
    const char* name;
    std::function<void(RecordingHost&)> prepare;
    std::string reason;
};

TEST_F(CommandRun, IntakeRefusalsLogOneReasonAndReleaseEverything) {
    const IntakeRefusal cases[] = {
        {"negative dimension", [](RecordingHost& h) { h.fmrs[1].header.dimY = -4; },
         "FMR 1: its dimensions 2 x -4 x 2 include a negative one; the run stops."},
        {"count beyond 32 bits",
         [](RecordingHost& h) {
             h.fmrs[2].header.dimX = 2048;
             h.fmrs[2].header.dimY = 2048;
             h.fmrs[2].header.dimZ = 1024;
         },
         "FMR 2: its 2048 x 2048 x 1024 voxels do not fit a 32-bit voxel count; the run stops."},
        {"no sample array", [](RecordingHost& h) { h.fmrs[1].noSampleArray = true; },
         "FMR 1: the host gave no sample data for its 8 voxels; the run stops."},
        {"null first sample pointer", [](RecordingHost& h) { h.fmrs[2].nullFirstPointer = true; },
         "FMR 2: the host gave no sample data for its 8 voxels; the run stops."},
        {"no VMR voxels", [](RecordingHost& h) { h.noVmrVoxels = true; },
         "VMR: the host gave no voxel data; the run stops."},
    };
    for (int dataType : {1, 2}) {
        for (const IntakeRefusal& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " type " + std::to_string(dataType));
            installFakeHost();
            CountingMemory::reset();
            workspaceWithFmrs(2, dataType);
            c.prepare(host());
            EXPECT_FALSE(run());
            CallList logs = host().logTexts();
            ASSERT_FALSE(logs.empty());
            EXPECT_EQ(logs.back(), c.reason);
            EXPECT_EQ(host().calls.back(), "log: " + c.reason);
            EXPECT_GT(CountingMemory::requests, 0);
        }
    }
}

TEST_F(CommandRun, EveryFailedAllocationStopsTheRunWithoutLeaking) {
    // Find how many blocks a complete run takes, then refuse each of them in turn.
    workspaceWithFmrs(2);
    ASSERT_TRUE(run());
    int blocks = CountingMemory::requests;
    ASSERT_EQ(blocks, 12); // 3 records and a float copy per FMR, 4 VMR records
    for (int failing = 0; failing < blocks; ++failing) {
        SCOPED_TRACE(failing);
        installFakeHost();
        CountingMemory::reset(failing);
        workspaceWithFmrs(2);
        EXPECT_FALSE(run());
        std::string last = host().logTexts().back();
        bool named = last == "Not enough memory for the run's records; the run stops." ||
                     last == "FMR 1: not enough memory for the float copy of its 8 voxels; the run stops." ||
                     last == "FMR 2: not enough memory for the float copy of its 8 voxels; the run stops.";
        EXPECT_TRUE(named) << last;
    }
}

TEST_F(CommandRun, ZeroDimensionGivesAnEmptyVolumeAndTheRunGoesOn) {
    workspaceWithFmrs(2, 1, 2, 0, 2);
    host().fmrs[1].noSampleArray = true; // nothing to read, so no array is needed
    host().mappingAnswer = 2;
    EXPECT_TRUE(run());
    EXPECT_EQ(host().volumesSeenByProjections[1].size(), 0u);
    // Two empty volumes have equal counts: the comparison runs over nothing.
    CallList logs = host().logTexts();
    EXPECT_EQ(logs[4], "NCC of FMR-FMR via dot product before intensity scaling: nan");
    EXPECT_EQ(logs[5], "SSD of FMR-FMR before intensity scaling: 0.000000");
    EXPECT_STREQ(host().headersSaved[1].stcPrefix, "run1_VMR");
    EXPECT_STREQ(host().headersSaved[2].stcPrefix, "run2_VMR");
}

// --- refusals during write-back
// -----------------------------------------------------------------------------

TEST_F(CommandRun, WriteBackWithoutSampleDataSkipsThatFmrAndGoesOn) {
    for (int dataType : {1, 2}) {
        for (bool noArray : {true, false}) {
            SCOPED_TRACE(std::to_string(dataType) + (noArray ? " no array" : " null first pointer"));
            installFakeHost();
            CountingMemory::reset();
            workspaceWithFmrs(2, dataType);
            host().mappingAnswer = 2;
            // The data are there for the intake and gone when the run writes back.
            host().effects.vmrToFmr2 = [noArray](FloatVolume&) {
                (noArray ? recordingHost().fmrs[1].noSampleArray : recordingHost().fmrs[1].nullFirstPointer) =
                    true;
            };
            EXPECT_TRUE(run());
            std::string data =
                dataType == 1 ? "zrGetSTCIntDataOfCurrentFMR" : "zrGetSTCFloatDataOfCurrentFMR";
            CallList tail(host().calls.end() - 10, host().calls.end());
            CallList expected = {
                "zrSetAsCurrentDocument(1)",
                data + "(1)",
                "log: FMR 1: the host gave no sample data; the FMR is neither written back nor saved.",
                "zrSetAsCurrentDocument(2)",
                data + "(2)",
                "zrSetHeaderOfCurrentFMR(2: run2_VMR.fmr|run2_VMR|)",
                "zrSaveFMRAndSTC(2: run2_VMR.fmr|run2_VMR|)",
                "log: Reload FMR(s) and detach any AMRs to see the projection!"};
            append(expected, runEndCalls());
            EXPECT_EQ(tail, expected);
            EXPECT_EQ(host().headersSaved.count(1), 0u);
        }
    }
}

TEST_F(CommandRun, NamesThatDoNotFitAreRefusedAndTheDocumentLeftAlone) {
    struct Case {
        const char* name;
        int mapping;
        std::function<void(RecordingHost&)> prepare;
    };
    const Case cases[] = {
        {"prefix of 252 plus _VMR", 2,
         [](RecordingHost& h) { std::memset(h.fmrs[1].header.stcPrefix, 'a', 252); }},
        {"prefix without NUL", 2,
         [](RecordingHost& h) {
             std::memset(h.fmrs[1].header.stcPrefix, 'a', sizeof(FmrHeader::stcPrefix));
         }},
        {"joined prefixes too long", 3,
         [](RecordingHost& h) {
             std::memset(h.fmrs[1].header.stcPrefix, 'a', 125);
             std::memset(h.fmrs[2].header.stcPrefix, 'b', 125);
         }},
        {"second prefix without NUL", 3,
         [](RecordingHost& h) {
             std::memset(h.fmrs[2].header.stcPrefix, 'b', sizeof(FmrHeader::stcPrefix));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        installFakeHost();
        CountingMemory::reset();
        workspaceWithFmrs(2);
        host().fmrs[1].intSamples = {1, 2, 3, 4, 5, 6, 7, 8};
        c.prepare(host());
        host().mappingAnswer = c.mapping;
        host().effects.vmrToFmr1 = [](FloatVolume& v) { v.values[0] = 600.0f; };
        host().effects.twoFmrsToVmr1 = [](FloatVolume& v) { v.values[0] = 600.0f; };
        EXPECT_TRUE(run());
        CallList logs = host().logTexts();
        bool refused = false;
        for (const std::string& line : logs) {
            refused |= line ==
                       "FMR 1: the new name would not fit the header's name fields; the FMR is neither "
                       "written back nor saved.";
        }
        EXPECT_TRUE(refused);
        EXPECT_EQ(host().headersSaved.count(1), 0u);
        EXPECT_EQ(host().headersSet.count(1), 0u);
        EXPECT_EQ(host().fmrs[1].intSamples, (std::vector<int16_t>{1, 2, 3, 4, 5, 6, 7, 8}));
        EXPECT_EQ(logs.back(), "Finished.\n");
    }
}

TEST_F(CommandRun, LongestPrefixThatFitsIsSaved) {
    workspaceWithFmrs(1);
    std::memset(host().fmrs[1].header.stcPrefix, 'a', 251); // 251 + "_VMR" + NUL = 256
    host().mappingAnswer = 2;
    EXPECT_TRUE(run());
    const FmrHeader& saved = host().headersSaved[1];
    EXPECT_EQ(std::string(saved.stcPrefix), std::string(251, 'a') + "_VMR");
    EXPECT_EQ(std::string(saved.fileName), std::string(251, 'a') + "_VMR.fmr");
}

} // namespace
