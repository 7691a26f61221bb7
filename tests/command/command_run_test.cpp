// Whole runs of the execute command against the scripted host, with the plug-in's own projections: the
// host calls and log lines in order, what the documents hold afterwards, and that every block the run took
// is given back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "command/command_run.h"
#include "geometry/matrix4.h"
#include "tests/command/counting_memory.h"
#include "tests/support/scripted_host.h"

namespace {

using CallList = std::vector<std::string>;

void append(CallList& calls, const CallList& rest) {
    calls.insert(calls.end(), rest.begin(), rest.end());
}

// The calls with each log text cut after its label ("log: SSD of FMR-VMR (only overlapping part):"), so a
// sequence can be stated without the numbers; matrices keep their title.
CallList outline(const CallList& calls) {
    CallList result;
    for (const std::string& call : calls) {
        const size_t label = call.rfind("log: ", 0) == 0 ? call.find(": ", 5) : std::string::npos;
        result.push_back(label == std::string::npos ? call : call.substr(0, label + 1));
    }
    return result;
}

// Runs the command with counting memory; no block may outlive the run.
bool run(ScriptedHost& host, int failAtRequest = -1) {
    CountingMemory::reset(failAtRequest);
    const bool finished = runPosalignCommand(host.table, CountingMemory::memory());
    EXPECT_EQ(CountingMemory::liveBlocks, 0) << "blocks not released by the run";
    return finished;
}

// A 2x2x2 VMR at 0 with bytes 0, 10, ... 70, and FMRs of the same grid at 1 (samples 0..7) and 2 (7..0).
void openRun(ScriptedHost& host, int fmrCount, int dataType = kFmrDataInt16) {
    HostDocument& vmr = host.addVmr(2, 2, 2);
    for (int i = 0; i < 8; ++i) {
        vmr.voxels[i] = static_cast<unsigned char>(10 * i);
    }
    for (int k = 1; k <= fmrCount; ++k) {
        HostDocument& fmr = host.addFmr(k == 1 ? "run1" : "run2", 2, 2, 2, dataType);
        for (int i = 0; i < 8; ++i) {
            const int sample = k == 1 ? i : 7 - i;
            if (dataType == kFmrDataInt16) {
                fmr.intVolumes[0][i] = static_cast<int16_t>(sample);
            } else {
                fmr.floatVolumes[0][i] = static_cast<float>(sample);
            }
        }
    }
}

HostDocument& document(ScriptedHost& host, int index) {
    return *host.workspace.documents[index];
}

CallList workspaceCheckCalls(int documentCount) {
    CallList calls = {"zrShowLogTab()",
                      "log: \nposalignplugin> Started...",
                      "log: Check available projects...",
                      "zrGetNumberOfDocsInWorkspace()",
                      "zrGetDocumentType(0)",
                      "zrGetDocumentType(1)"};
    if (documentCount >= 3) {
        calls.push_back("zrGetDocumentType(2)");
    }
    return calls;
}

CallList fmrReadCalls(int document, int dataType) {
    const std::string k = std::to_string(document);
    CallList calls = {"zrSetAsCurrentDocument(" + k + ")", "zrGetHeaderOfCurrentFMR(" + k + ")",
                      "zrGetScannerPositionHeaderOfCurrentFMR(" + k + ")"};
    if (dataType == kFmrDataInt16) {
        calls.push_back("zrGetSTCIntDataOfCurrentFMR(" + k + ")");
    } else if (dataType == kFmrDataFloat32) {
        calls.push_back("zrGetSTCFloatDataOfCurrentFMR(" + k + ")");
    }
    return calls;
}

// The calls of a run up to and including the prompt, in outline.
CallList intakeCalls(int fmrCount, int dataType, bool precomparison, int documentCount) {
    CallList calls = workspaceCheckCalls(documentCount);
    calls.push_back("log: Get FMR header...");
    append(calls, fmrReadCalls(1, dataType));
    calls.push_back("log: Get FMR 2 header...");
    if (fmrCount == 2) {
        append(calls, fmrReadCalls(2, dataType));
    }
    if (precomparison) {
        append(calls, {"log: NCC of FMR-FMR via dot product before intensity scaling:",
                       "log: SSD of FMR-FMR before intensity scaling:"});
    }
    append(calls, {"log: Get VMR header...", "zrSetAsCurrentDocument(0)", "zrGetMainHeaderOfCurrentVMR(0)",
                   "zrGetCurrentVMR(0)", "zrGetScannerPositionHeaderOfCurrentVMR(0)",
                   "zrGetPastTransformationsHeaderOfCurrentVMR(0)", "zrCalculateIAMatrix()",
                   "log: Initial FMR1 to VMR mapping:"});
    if (fmrCount == 2) {
        append(calls, {"zrCalculateIAMatrix()", "log: Initial FMR2 to VMR mapping:"});
    }
    calls.push_back(
        "zrGetIntegerInput(Please select a mapping:\n1. FMR -> VMR\n2. VMR -> FMR\n3. FMR -> FMR)");
    return calls;
}

// The builder's factors of one FMR, as logged before each projection's own lines.
CallList factorCalls(bool pastIncorporated) {
    CallList calls = {"log: Flipping matrix, based on slice acquisition order:",
                      "log: FMR inverse scaling matrix:", "log: VMR scaling matrix:"};
    if (pastIncorporated) {
        calls.push_back("log: Incorporating flip in past VMR transformation:");
    }
    calls.push_back("log: Final VMR 2 FMR matrix:");
    return calls;
}

CallList paintCalls(bool pastIncorporated = false) {
    CallList calls = factorCalls(pastIncorporated);
    append(calls, {"log: Final FMR to VMR mapping:", "log: SSD of FMR-VMR (only overlapping part):",
                   "log: Calculate NCC via dotproduct...",
                   "log: NCC of FMR-VMR (only overlapping part):", "zrUpdateActiveWindow()"});
    return calls;
}

CallList resampleCalls() {
    CallList calls = factorCalls(false);
    calls.push_back("log: Final VMR to FMR mapping:");
    return calls;
}

CallList saveCalls(int document, const std::string& data) {
    const std::string k = std::to_string(document);
    return {"zrSetAsCurrentDocument(" + k + ")", data + "(" + k + ")", "zrSetHeaderOfCurrentFMR(" + k + ")",
            "zrSaveFMRAndSTC(" + k + ")"};
}

const char kReloadHint[] = "log: Reload FMR(s) and detach any AMRs to see the projection!";
const CallList kRunEnd = {"zrUpdateActiveWindow()", "log: Finished.\n"};

// --- refused workspaces ---------------------------------------------------------------------------------

TEST(CommandRun, RefusedWorkspacesLogOneLineAndAllocateNothing) {
    struct Case {
        const char* name;
        std::function<void(ScriptedHost&)> open;
        CallList typeQueries;
    };
    const Case cases[] = {
        {"no documents", [](ScriptedHost&) {}, {}},
        {"only a VMR", [](ScriptedHost& h) { h.addVmr(2, 2, 2); }, {}},
        {"FMR first",
         [](ScriptedHost& h) {
             h.addFmr("run1", 2, 2, 2, kFmrDataInt16);
             h.addVmr(2, 2, 2);
         },
         {"zrGetDocumentType(0)"}},
        {"two VMRs",
         [](ScriptedHost& h) {
             h.addVmr(2, 2, 2);
             h.addVmr(2, 2, 2);
         },
         {"zrGetDocumentType(0)", "zrGetDocumentType(1)"}},
        {"VMR and another kind",
         [](ScriptedHost& h) {
             h.addVmr(2, 2, 2);
             h.addFmr("run1", 2, 2, 2, kFmrDataInt16).kind = 2;
             h.addFmr("run2", 2, 2, 2, kFmrDataInt16);
         },
         {"zrGetDocumentType(0)", "zrGetDocumentType(1)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedHost host;
        c.open(host);
        EXPECT_FALSE(run(host));
        CallList expected = {"zrShowLogTab()", "log: \nposalignplugin> Started...",
                             "log: Check available projects...", "zrGetNumberOfDocsInWorkspace()"};
        append(expected, c.typeQueries);
        expected.push_back(
            "log: Document 1 needs to be a VMR and Document 2 an FMR (Document 3 FMR is optional)");
        EXPECT_EQ(host.calls, expected);
        EXPECT_EQ(CountingMemory::requests, 0);
    }
}

// --- every mapping, in order ----------------------------------------------------------------------------

TEST(CommandRun, EachMappingCallsTheHostInOrder) {
    const std::string intData = "zrGetSTCIntDataOfCurrentFMR";
    struct Case {
        const char* name;
        int fmrCount;
        int answer;
        bool mirroredVmr;
        CallList afterPrompt;
    };
    CallList oneFmrMapping3 = {"log: Projecting FMR1,FMR2->VMR and FMR2->FMR1",
                               "log: No second FMR available, FMR to FMR mapping not possible; FMR will be "
                               "mapped to VMR."};
    append(oneFmrMapping3, paintCalls());
    CallList twoFmrsMapping1 = {"log: Projecting FMRs in VMR"};
    append(twoFmrsMapping1, paintCalls(true));
    append(twoFmrsMapping1, paintCalls(true));
    CallList oneFmrMapping2 = {"log: Projecting VMR in FMR"};
    append(oneFmrMapping2, resampleCalls());
    append(oneFmrMapping2, saveCalls(1, intData));
    oneFmrMapping2.push_back(kReloadHint);
    CallList twoFmrsMapping2 = {"log: Projecting VMR in FMR"};
    append(twoFmrsMapping2, resampleCalls());
    append(twoFmrsMapping2, resampleCalls());
    // FMR 1 is written back and saved completely before FMR 2 is made current.
    append(twoFmrsMapping2, saveCalls(1, intData));
    append(twoFmrsMapping2, saveCalls(2, intData));
    twoFmrsMapping2.push_back(kReloadHint);
    CallList twoFmrsMapping3 = {"log: Projecting FMR1,FMR2->VMR and FMR2->FMR1"};
    append(twoFmrsMapping3, factorCalls(false));
    twoFmrsMapping3.push_back("log: Final FMR 1 to VMR mapping:");
    append(twoFmrsMapping3, factorCalls(false));
    append(twoFmrsMapping3,
           {"log: Final FMR 2 to VMR mapping:", "log: Negative NCC of FMR-FMR (only overlapping part):",
            "log: NCC of FMR-FMR (only overlapping part) via dot product:",
            "log: SSD of FMR-FMR (only overlapping part):", "zrUpdateActiveWindow()",
            "zrSetAsCurrentDocument(1)", intData + "(1)",
            "log: New name for mapping from second to first FMR:", "log: run1_from_run2.fmr",
            "zrSetHeaderOfCurrentFMR(1)", "zrSaveFMRAndSTC(1)", kReloadHint});
    CallList oneFmrMapping1 = {"log: Projecting FMRs in VMR"};
    append(oneFmrMapping1, paintCalls());
    const Case cases[] = {
        {"one FMR, mapping 1", 1, 1, false, oneFmrMapping1},
        {"one FMR, mapping 2", 1, 2, false, oneFmrMapping2},
        {"one FMR, mapping 3 falls back to painting it", 1, 3, false, oneFmrMapping3},
        {"two FMRs, mapping 1, mirrored VMR", 2, 1, true, twoFmrsMapping1},
        {"two FMRs, mapping 2", 2, 2, false, twoFmrsMapping2},
        {"two FMRs, mapping 3", 2, 3, false, twoFmrsMapping3},
        {"two FMRs, answer 0 runs mapping 3", 2, 0, false, twoFmrsMapping3},
        {"two FMRs, answer 7 runs mapping 3", 2, 7, false, twoFmrsMapping3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedHost host;
        openRun(host, c.fmrCount);
        if (c.mirroredVmr) {
            ASSERT_TRUE(flipVmrDocument(&document(host, 0), 0));
        }
        host.answer = c.answer;
        EXPECT_TRUE(run(host));
        CallList expected = intakeCalls(c.fmrCount, kFmrDataInt16, c.fmrCount == 2, 1 + c.fmrCount);
        append(expected, c.afterPrompt);
        append(expected, kRunEnd);
        EXPECT_EQ(outline(host.calls), expected);
        EXPECT_EQ(host.redraws, host.count("zrUpdateActiveWindow"));
    }
}

// --- what the documents hold afterwards ----------------------------------------------------------------

// The grids coincide, so every voxel maps to itself and the results can be stated voxel by voxel.
TEST(CommandRun, ProjectionsReachTheDocumentsVoxelByVoxel) {
    struct Case {
        const char* name;
        int fmrCount;
        int dataType;
        int answer;
        std::vector<int> vmrBytes;      // after the run
        std::vector<float> fmr1;        // samples of FMR 1 after the run
        std::vector<std::string> saved; // prefixes, in order
    };
    const std::vector<float> tripled = {0, 30, 60, 90, 120, 150, 180, 210};
    const Case cases[] = {
        // Samples 0..7 normalise to 225*i/7; painted where above 20, rounded half up.
        {"mapping 1 paints the normalised FMR",
         1,
         kFmrDataInt16,
         1,
         {0, 32, 64, 96, 129, 161, 193, 225},
         {0, 1, 2, 3, 4, 5, 6, 7},
         {}},
        {"mapping 2 writes three times the VMR into 16-bit samples",
         2,
         kFmrDataInt16,
         2,
         {0, 10, 20, 30, 40, 50, 60, 70},
         tripled,
         {"run1_VMR", "run2_VMR"}},
        {"mapping 2 writes three times the VMR into float samples",
         1,
         kFmrDataFloat32,
         2,
         {0, 10, 20, 30, 40, 50, 60, 70},
         tripled,
         {"run1_VMR"}},
        // FMR 2 normalises to 225*(7-i)/7; where that is above 20 (i < 7) it is painted and replaces FMR 1's
        // value, which is written back truncated; the last voxel keeps FMR 1's 225.
        {"mapping 3 copies FMR 2 into FMR 1",
         2,
         kFmrDataInt16,
         3,
         {225, 193, 161, 129, 96, 64, 32, 225},
         {225, 192, 160, 128, 96, 64, 32, 225},
         {"run1_from_run2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedHost host;
        openRun(host, c.fmrCount, c.dataType);
        host.answer = c.answer;
        ASSERT_TRUE(run(host));
        const HostDocument& vmr = document(host, 0);
        EXPECT_EQ(std::vector<int>(vmr.voxels, vmr.voxels + 8), c.vmrBytes);
        const HostDocument& fmr1 = document(host, 1);
        std::vector<float> samples;
        for (int i = 0; i < 8; ++i) {
            samples.push_back(c.dataType == kFmrDataInt16 ? fmr1.intVolumes[0][i] : fmr1.floatVolumes[0][i]);
        }
        EXPECT_EQ(samples, c.fmr1);
        EXPECT_EQ(host.savedPrefixes, c.saved);
        for (size_t k = 0; k < host.savedDocuments.size(); ++k) {
            EXPECT_EQ(host.savedDocuments[k], host.workspace.documents[k + 1]);
            EXPECT_EQ(host.savedPrefixes[k] + ".fmr", host.savedDocuments[k]->fileName);
            EXPECT_STREQ(host.savedDocuments[k]->linkedFileName, "");
        }
    }
}

TEST(CommandRun, UnequalVoxelCountsSkipThePrecomparisonAndNormaliseEachVolumeOnItsOwn) {
    ScriptedHost host;
    host.addVmr(2, 2, 2);
    HostDocument& fmr1 = host.addFmr("run1", 2, 2, 2, kFmrDataInt16);
    HostDocument& fmr2 = host.addFmr("run2", 2, 2, 3, kFmrDataInt16);
    const int16_t second[12] = {0, 10, 0, 10, 0, 10, 0, 10, 0, 10, 0, 20};
    for (int i = 0; i < 8; ++i) {
        fmr1.intVolumes[0][i] = static_cast<int16_t>(i);
    }
    std::memcpy(fmr2.intVolumes[0], second, sizeof second);
    EXPECT_TRUE(run(host));
    CallList expected = intakeCalls(2, kFmrDataInt16, false, 3);
    expected.push_back("log: Projecting FMRs in VMR");
    append(expected, paintCalls());
    append(expected, paintCalls());
    append(expected, kRunEnd);
    EXPECT_EQ(outline(host.calls), expected);
    // VMR slice z lies on FMR 2 slice z + 1. FMR 2's 10 normalises to 112.5 (its own maximum is 20) and is
    // painted as 113 over FMR 1's 225*i/7; its 0 leaves FMR 1's value.
    const HostDocument& vmr = document(host, 0);
    EXPECT_EQ(std::vector<int>(vmr.voxels, vmr.voxels + 8),
              (std::vector<int>{0, 113, 64, 113, 129, 113, 193, 225}));
}

TEST(CommandRun, PrecomparisonSeesTheSamplesBeforeNormalisation) {
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
        ScriptedHost host;
        host.addVmr(2, 2, 2);
        std::memcpy(host.addFmr("run1", 2, 2, 2, kFmrDataInt16).intVolumes[0], c.first.data(), 16);
        // Same counts, different shapes (2x2x2 against 4x2x1): compared in storage order.
        std::memcpy(host.addFmr("run2", 4, 2, 1, kFmrDataInt16).intVolumes[0], c.second.data(), 16);
        EXPECT_TRUE(run(host));
        ASSERT_GE(host.log.size(), 7u);
        EXPECT_EQ(host.log[4],
                  std::string("NCC of FMR-FMR via dot product before intensity scaling: ") + c.ncc);
        EXPECT_EQ(host.log[5], std::string("SSD of FMR-FMR before intensity scaling: ") + c.ssd);
        EXPECT_EQ(host.log[6], "Get VMR header...");
    }
}

TEST(CommandRun, ThirdDocumentOfAnotherKindIsIgnoredAndLaterOnesNeverAsked) {
    ScriptedHost host;
    openRun(host, 1);
    host.addVmr(2, 2, 2);
    host.addFmr("run3", 2, 2, 2, kFmrDataInt16);
    EXPECT_TRUE(run(host));
    CallList expected = intakeCalls(1, kFmrDataInt16, false, 3);
    expected.push_back("log: Projecting FMRs in VMR");
    append(expected, paintCalls());
    append(expected, kRunEnd);
    EXPECT_EQ(outline(host.calls), expected);
}

TEST(CommandRun, InitialAlignmentAndPastFlipAreLoggedAsTheHostWroteThem) {
    ScriptedHost host;
    openRun(host, 1);
    ASSERT_TRUE(flipVmrDocument(&document(host, 0), 2));
    // What the host answers for these documents, asked the way the run asks.
    ScannerPositionHeader fmrPosition, vmrPosition;
    PastTransformationsHeader past;
    IaMatrix ia;
    Matrix4 flip;
    int scratch[6];
    host.table.zrSetAsCurrentDocument(1);
    host.table.zrGetScannerPositionHeaderOfCurrentFMR(&fmrPosition);
    host.table.zrSetAsCurrentDocument(0);
    host.table.zrGetScannerPositionHeaderOfCurrentVMR(&vmrPosition);
    host.table.zrGetPastTransformationsHeaderOfCurrentVMR(&past);
    ASSERT_TRUE(host.table.zrCalculateIAMatrix(&fmrPosition, &vmrPosition, &past, &ia, flip.m, &scratch[0],
                                               &scratch[1], &scratch[2], &scratch[3], &scratch[4],
                                               &scratch[5]));
    char* expected = matrixLogText(ia.s, "Initial FMR1 to VMR mapping");
    ASSERT_NE(expected, nullptr);
    EXPECT_TRUE(run(host));
    ASSERT_GE(host.log.size(), 6u);
    EXPECT_EQ(host.log[5], expected);
    std::free(expected);
    // The mirrored VMR's flip matrix is logged as the host wrote it, not as the builder combined it.
    char* flipText = matrixLogText(flip.m, "Incorporating flip in past VMR transformation");
    ASSERT_NE(flipText, nullptr);
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), std::string(flipText)), 1);
    std::free(flipText);
}

// --- sample types and names -----------------------------------------------------------------------------

TEST(CommandRun, OtherDataTypesAreNeitherReadNorWrittenButStillSaved) {
    ScriptedHost host;
    openRun(host, 1);
    HostDocument& fmr = document(host, 1);
    fmr.dataType = 5;
    host.answer = 2;
    EXPECT_TRUE(run(host));
    CallList expected = intakeCalls(1, 5, false, 2);
    expected.push_back("log: Projecting VMR in FMR");
    append(expected, resampleCalls());
    append(expected,
           {"zrSetAsCurrentDocument(1)", "zrSetHeaderOfCurrentFMR(1)", "zrSaveFMRAndSTC(1)", kReloadHint});
    append(expected, kRunEnd);
    EXPECT_EQ(outline(host.calls), expected);
    EXPECT_EQ(std::vector<int16_t>(fmr.intVolumes[0], fmr.intVolumes[0] + 8),
              (std::vector<int16_t>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(host.savedPrefixes, std::vector<std::string>{"run1_VMR"});
}

TEST(CommandRun, SavedNamesExtendTheHostsCurrentPrefixAndTheLongestThatFits) {
    struct Case {
        std::string prefix;
        std::string saved;
    };
    const Case cases[] = {
        {"run1_VMR", "run1_VMR_VMR"},
        {std::string(251, 'a'), std::string(251, 'a') + "_VMR"}, // 251 + "_VMR" + NUL = 256
    };
    for (const Case& c : cases) {
        ScriptedHost host;
        openRun(host, 1);
        std::snprintf(document(host, 1).stcPrefix, kFmrStcPrefixCapacity, "%s", c.prefix.c_str());
        host.answer = 2;
        EXPECT_TRUE(run(host));
        EXPECT_EQ(host.savedPrefixes, std::vector<std::string>{c.saved});
        EXPECT_EQ(std::string(document(host, 1).fileName), c.saved + ".fmr");
    }
}

// --- refusals -------------------------------------------------------------------------------------------

// Takes a host-owned pointer away for one run and gives it back, so the document can still be released.
template <typename Pointer> struct Withheld {
    Pointer& slot;
    Pointer saved;
    explicit Withheld(Pointer& pointer) : slot(pointer), saved(pointer) { slot = nullptr; }
    ~Withheld() { slot = saved; }
};

TEST(CommandRun, IntakeRefusalsLogOneReasonAndReleaseEverything) {
    struct Case {
        const char* name;
        std::function<void(ScriptedHost&, const std::function<void()>& runIt)> prepare;
        std::string reason;
    };
    const Case cases[] = {
        {"negative dimension",
         [](ScriptedHost& h, const std::function<void()>& runIt) {
             document(h, 1).dims[1] = -4;
             runIt();
             document(h, 1).dims[1] = 2;
         },
         "FMR 1: its dimensions 2 x -4 x 2 include a negative one; the run stops."},
        {"count beyond 32 bits",
         [](ScriptedHost& h, const std::function<void()>& runIt) {
             int32_t* dims = document(h, 2).dims;
             dims[0] = 2048, dims[1] = 2048, dims[2] = 1024;
             runIt();
             dims[0] = dims[1] = dims[2] = 2;
         },
         "FMR 2: its 2048 x 2048 x 1024 voxels do not fit a 32-bit voxel count; the run stops."},
        {"no sample array",
         [](ScriptedHost& h, const std::function<void()>& runIt) {
             Withheld<int16_t**> ints(document(h, 1).intVolumes);
             Withheld<float**> floats(document(h, 1).floatVolumes);
             runIt();
         },
         "FMR 1: the host gave no sample data for its 8 voxels; the run stops."},
        {"null first sample pointer",
         [](ScriptedHost& h, const std::function<void()>& runIt) {
             HostDocument& fmr = document(h, 2);
             if (fmr.intVolumes != nullptr) {
                 Withheld<int16_t*> first(fmr.intVolumes[0]);
                 runIt();
             } else {
                 Withheld<float*> first(fmr.floatVolumes[0]);
                 runIt();
             }
         },
         "FMR 2: the host gave no sample data for its 8 voxels; the run stops."},
        {"no VMR voxels",
         [](ScriptedHost& h, const std::function<void()>& runIt) {
             Withheld<unsigned char*> voxels(document(h, 0).voxels);
             runIt();
         },
         "VMR: the host gave no voxel data; the run stops."},
    };
    for (int dataType : {kFmrDataInt16, kFmrDataFloat32}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " type " + std::to_string(dataType));
            ScriptedHost host;
            openRun(host, 2, dataType);
            bool finished = true;
            c.prepare(host, [&] { finished = run(host); });
            EXPECT_FALSE(finished);
            ASSERT_FALSE(host.calls.empty());
            EXPECT_EQ(host.calls.back(), "log: " + c.reason);
            EXPECT_GT(CountingMemory::requests, 0);
        }
    }
}

TEST(CommandRun, EveryFailedAllocationStopsTheRunWithoutLeaking) {
    // Find how many blocks a complete run takes, then refuse each of them in turn.
    {
        ScriptedHost host;
        openRun(host, 2);
        ASSERT_TRUE(run(host));
    }
    const int blocks = CountingMemory::requests;
    ASSERT_EQ(blocks, 12); // 3 records and a float copy per FMR, 4 VMR records
    for (int failing = 0; failing < blocks; ++failing) {
        SCOPED_TRACE(failing);
        ScriptedHost host;
        openRun(host, 2);
        EXPECT_FALSE(run(host, failing));
        const std::string last = host.log.back();
        const bool named =
            last == "Not enough memory for the run's records; the run stops." ||
            last == "FMR 1: not enough memory for the float copy of its 8 voxels; the run stops." ||
            last == "FMR 2: not enough memory for the float copy of its 8 voxels; the run stops.";
        EXPECT_TRUE(named) << last;
    }
}

TEST(CommandRun, ZeroDimensionGivesAnEmptyVolumeAndTheRunGoesOn) {
    ScriptedHost host;
    openRun(host, 2);
    document(host, 1).dims[1] = 0;
    document(host, 2).dims[1] = 0;
    host.answer = 2;
    {
        // Nothing to read, so no array is needed.
        Withheld<int16_t**> none(document(host, 1).intVolumes);
        EXPECT_TRUE(run(host));
    }
    document(host, 1).dims[1] = document(host, 2).dims[1] = 2;
    // Two empty volumes have equal counts: the comparison runs over nothing.
    ASSERT_GE(host.log.size(), 6u);
    EXPECT_EQ(host.log[4], "NCC of FMR-FMR via dot product before intensity scaling: nan");
    EXPECT_EQ(host.log[5], "SSD of FMR-FMR before intensity scaling: 0.000000");
    EXPECT_EQ(host.savedPrefixes, (std::vector<std::string>{"run1_VMR", "run2_VMR"}));
}

TEST(CommandRun, WriteBackWithoutSampleDataSkipsThatFmrAndGoesOn) {
    for (int dataType : {kFmrDataInt16, kFmrDataFloat32}) {
        for (bool noArray : {true, false}) {
            SCOPED_TRACE(std::to_string(dataType) + (noArray ? " no array" : " null first pointer"));
            ScriptedHost host;
            openRun(host, 2, dataType);
            host.answer = 2;
            // The data are there for the intake and gone when the run makes FMR 1 current again.
            HostDocument& fmr1 = document(host, 1);
            void** array = dataType == kFmrDataInt16 ? reinterpret_cast<void**>(&fmr1.intVolumes)
                                                     : reinterpret_cast<void**>(&fmr1.floatVolumes);
            void** first = static_cast<void**>(*array);
            void* const savedArray = *array;
            void* const savedFirst = first[0];
            int current = 0;
            host.beforeCall = [&](const std::string& call) {
                if (call == "zrSetAsCurrentDocument(1)" && ++current == 2) {
                    (noArray ? *array : first[0]) = nullptr;
                }
            };
            EXPECT_TRUE(run(host));
            *array = savedArray;
            first[0] = savedFirst;
            const std::string data =
                dataType == kFmrDataInt16 ? "zrGetSTCIntDataOfCurrentFMR" : "zrGetSTCFloatDataOfCurrentFMR";
            CallList tail(host.calls.end() - 10, host.calls.end());
            CallList expected = {
                "zrSetAsCurrentDocument(1)",
                data + "(1)",
                "log: FMR 1: the host gave no sample data; the FMR is neither written back nor saved.",
                "zrSetAsCurrentDocument(2)",
                data + "(2)",
                "zrSetHeaderOfCurrentFMR(2)",
                "zrSaveFMRAndSTC(2)",
                kReloadHint};
            append(expected, kRunEnd);
            EXPECT_EQ(tail, expected);
            EXPECT_EQ(host.savedPrefixes, std::vector<std::string>{"run2_VMR"});
        }
    }
}

TEST(CommandRun, NamesThatDoNotFitAreRefusedAndTheDocumentLeftAlone) {
    struct Case {
        const char* name;
        int mapping;
        std::function<void(ScriptedHost&)> prepare;
    };
    const Case cases[] = {
        {"prefix of 252 plus _VMR", 2,
         [](ScriptedHost& h) { std::memset(document(h, 1).stcPrefix, 'a', 252); }},
        {"prefix without NUL", 2,
         [](ScriptedHost& h) { std::memset(document(h, 1).stcPrefix, 'a', kFmrStcPrefixCapacity); }},
        {"joined prefixes too long", 3,
         [](ScriptedHost& h) {
             std::memset(document(h, 1).stcPrefix, 'a', 125);
             std::memset(document(h, 2).stcPrefix, 'b', 125);
         }},
        {"second prefix without NUL", 3,
         [](ScriptedHost& h) { std::memset(document(h, 2).stcPrefix, 'b', kFmrStcPrefixCapacity); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedHost host;
        openRun(host, 2);
        c.prepare(host);
        const std::string fileName = document(host, 1).fileName;
        host.answer = c.mapping;
        EXPECT_TRUE(run(host));
        bool refused = false;
        for (const std::string& line : host.log) {
            refused |= line ==
                       "FMR 1: the new name would not fit the header's name fields; the FMR is neither "
                       "written back nor saved.";
        }
        EXPECT_TRUE(refused);
        EXPECT_EQ(host.count("zrSetHeaderOfCurrentFMR"),
                  c.mapping == 2 ? 1 : 0); // FMR 2 of mapping 2 is saved
        EXPECT_EQ(document(host, 1).fileName, fileName);
        EXPECT_EQ(std::vector<int16_t>(document(host, 1).intVolumes[0], document(host, 1).intVolumes[0] + 8),
                  (std::vector<int16_t>{0, 1, 2, 3, 4, 5, 6, 7}));
        EXPECT_EQ(host.log.back(), "Finished.\n");
    }
}

} // namespace
