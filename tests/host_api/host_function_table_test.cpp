// The host function table: its names, their order, and the entries the plug-in calls.
#include <stddef.h>
#include <string.h>

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host_api/host_function_table.h"

namespace {

TEST(HostFunctionNames, HasOneHundredNinetyDistinctHostNames) {
    std::set<std::string> distinct;
    for (int i = 0; i < kHostFunctionCount; ++i) {
        ASSERT_NE(kHostFunctionNames[i], nullptr) << i;
        EXPECT_EQ(strncmp(kHostFunctionNames[i], "zr", 2), 0) << kHostFunctionNames[i];
        distinct.insert(kHostFunctionNames[i]);
    }
    EXPECT_EQ(distinct.size(), 190u);
    EXPECT_STREQ(kHostFunctionNames[0], "zrGetVersionOfZentrovisZR");
    EXPECT_STREQ(kHostFunctionNames[189], "zrLaunchICADialog");
}

TEST(HostFunctionNames, EachFamilyStartsAtItsPlaceInTheHostOrder) {
    struct FamilyStart {
        int index;
        const char* name;
    };
    // Host information, log and dialogs, plots, window, workspace, FMR, DMR, FMR maps, VMR, VMR maps,
    // volume time courses, statistics, surfaces, protocols, regions, parameters.
    const FamilyStart starts[] = {
        {0, "zrGetVersionOfZentrovisZR"},
        {3, "zrShowLogPane"},
        {13, "zrCloseAllPlots"},
        {36, "zrUpdateActiveWindow"},
        {39, "zrGetNumberOfDocsInWorkspace"},
        {46, "zrGetHeaderOfCurrentFMR"},
        {55, "zrGetHeaderOfCurrentDMR"},
        {63, "zrGetMAPOfCurrentFMR"},
        {69, "zrGetCurrentVMR"},
        {83, "zrGetNRVMPsOfCurrentVMR"},
        {100, "zrLinkVTCToCurrentVMR"},
        {115, "zrGetGLMOfCurrentVMR"},
        {119, "zrGetScene"},
        {149, "zrClearProtocol"},
        {169, "zrLoadVOIs"},
        {177, "zrGetStringParameter"},
        {189, "zrLaunchICADialog"},
    };
    for (const FamilyStart& start : starts) {
        EXPECT_STREQ(kHostFunctionNames[start.index], start.name) << start.index;
    }
}

TEST(HostFunctionTable, CallsExactlyTheTwentyFunctionsOfTheRun) {
    std::vector<std::string> called;
#define IGNORE_UNCALLED(name)
#define COLLECT_CALLED(name, Result, Parameters) called.push_back(#name);
    ZR_HOST_FUNCTIONS(IGNORE_UNCALLED, COLLECT_CALLED)
#undef IGNORE_UNCALLED
#undef COLLECT_CALLED
    const std::vector<std::string> expected = {
        "zrGetVersionOfZentrovisZR",
        "zrShowLogTab",
        "zrLogText",
        "zrMessageBox",
        "zrGetIntegerInput",
        "zrUpdateActiveWindow",
        "zrGetNumberOfDocsInWorkspace",
        "zrGetDocumentType",
        "zrSetAsCurrentDocument",
        "zrCalculateIAMatrix",
        "zrGetHeaderOfCurrentFMR",
        "zrSetHeaderOfCurrentFMR",
        "zrGetSTCFloatDataOfCurrentFMR",
        "zrGetSTCIntDataOfCurrentFMR",
        "zrSaveFMRAndSTC",
        "zrGetScannerPositionHeaderOfCurrentFMR",
        "zrGetCurrentVMR",
        "zrGetMainHeaderOfCurrentVMR",
        "zrGetScannerPositionHeaderOfCurrentVMR",
        "zrGetPastTransformationsHeaderOfCurrentVMR",
    };
    EXPECT_EQ(called, expected);
    EXPECT_EQ(static_cast<int>(called.size()), kCalledHostFunctionCount);
}

TEST(HostFunctionTable, EveryCalledEntryIsRequired) {
    // Fill every entry, then take the called ones away one at a time.
    memset(&gHostFunctions, 0x11, sizeof gHostFunctions);
    EXPECT_TRUE(hasAllCalledHostFunctions());
    int required = 0;
#define IGNORE_UNCALLED(name)                                                                                \
    {                                                                                                        \
        auto saved = gHostFunctions.name;                                                                    \
        gHostFunctions.name = nullptr;                                                                       \
        EXPECT_TRUE(hasAllCalledHostFunctions()) << #name;                                                   \
        gHostFunctions.name = saved;                                                                         \
    }
#define REMOVE_CALLED(name, Result, Parameters)                                                              \
    {                                                                                                        \
        auto saved = gHostFunctions.name;                                                                    \
        gHostFunctions.name = nullptr;                                                                       \
        EXPECT_FALSE(hasAllCalledHostFunctions()) << #name;                                                  \
        gHostFunctions.name = saved;                                                                         \
        ++required;                                                                                          \
    }
    ZR_HOST_FUNCTIONS(IGNORE_UNCALLED, REMOVE_CALLED)
#undef IGNORE_UNCALLED
#undef REMOVE_CALLED
    EXPECT_EQ(required, kCalledHostFunctionCount);
    memset(&gHostFunctions, 0, sizeof gHostFunctions);
}

} // namespace
