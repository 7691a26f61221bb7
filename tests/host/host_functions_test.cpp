// The host functions' contracts: their types, the current-document rule, the records they fill, and safe
// answers for missing or wrong-kind documents.
#include <gtest/gtest.h>

#include "tests/host/core_test_support.h"
#include "host/core/past_transformations.h"
#include "host/core/phantom.h"
#include "host/core/scanner_geometry.h"

namespace {

// Each exported function has exactly the type the plug-in's table calls it with.
template <class A, class B> struct SameType {
    enum { value = 0 };
};
template <class A> struct SameType<A, A> {
    enum { value = 1 };
};
#define ZR_CHECK_UNCALLED(name)
#define ZR_CHECK_CALLED(name, Result, Parameters)                                                            \
    static_assert(SameType<decltype(&name), decltype(HostFunctionTable::name)>::value, #name " type");
ZR_HOST_FUNCTIONS(ZR_CHECK_UNCALLED, ZR_CHECK_CALLED)
#undef ZR_CHECK_UNCALLED
#undef ZR_CHECK_CALLED

// A workspace VMR (index 0), float FMR (1) and int16 FMR (2) with recognisable geometry and names.
struct ThreeDocuments : ScriptedHost {
    HostDocument* vmr;
    HostDocument* floatFmr;
    HostDocument* intFmr;
    ThreeDocuments() {
        const int32_t vmrDims[3] = {10, 12, 14};
        const int32_t fmrDims[3] = {6, 5, 4};
        const float vmrVoxel[3] = {1.0f, 1.5f, 2.0f};
        const float fmrVoxel[3] = {3.0f, 3.0f, 4.0f};
        const float rotation[3] = {0, 0, 0};
        const float centre[3] = {10.0f, 20.0f, 30.0f};
        double affine[16];
        phantomGridAffine(vmrDims, vmrVoxel, kPhantomAxial, false, rotation, centre, affine);
        vmr = createVmrDocument(vmrDims, affine, "head.vmr");
        phantomGridAffine(fmrDims, fmrVoxel, kPhantomAxial, true, rotation, centre, affine);
        floatFmr = createFmrDocument(fmrDims, affine, kFmrDataFloat32, 2, "run1.fmr", "run1");
        intFmr = createFmrDocument(fmrDims, affine, kFmrDataInt16, 3, "run2.fmr", "run2");
        addDocument(&workspace, vmr);
        addDocument(&workspace, floatFmr);
        addDocument(&workspace, intFmr);
    }
};

TEST(HostFunctions, CurrentDocumentRuleSelectsWhatTheCallsActOn) {
    ThreeDocuments host;
    EXPECT_EQ(zrGetNumberOfDocsInWorkspace(), 3);
    EXPECT_EQ(zrGetDocumentType(0), kDocumentVmr);
    EXPECT_EQ(zrGetDocumentType(1), kDocumentFmr);
    EXPECT_EQ(zrGetDocumentType(2), kDocumentFmr);
    EXPECT_EQ(zrGetDocumentType(3), 0);
    EXPECT_EQ(zrGetDocumentType(-1), 0);

    FmrHeader header;
    ASSERT_TRUE(zrSetAsCurrentDocument(2));
    ASSERT_TRUE(zrGetHeaderOfCurrentFMR(&header));
    EXPECT_STREQ(header.stcPrefix, "run2");
    EXPECT_EQ(zrGetSTCIntDataOfCurrentFMR(), host.intFmr->intVolumes);
    EXPECT_EQ(zrGetSTCFloatDataOfCurrentFMR(), nullptr);

    ASSERT_TRUE(zrSetAsCurrentDocument(1));
    ASSERT_TRUE(zrGetHeaderOfCurrentFMR(&header));
    EXPECT_STREQ(header.stcPrefix, "run1");
    EXPECT_EQ(zrGetSTCFloatDataOfCurrentFMR(), host.floatFmr->floatVolumes);
    EXPECT_EQ(zrGetSTCIntDataOfCurrentFMR(), nullptr);

    // A failed selection keeps the current document.
    EXPECT_FALSE(zrSetAsCurrentDocument(3));
    EXPECT_FALSE(zrSetAsCurrentDocument(-1));
    ASSERT_TRUE(zrGetHeaderOfCurrentFMR(&header));
    EXPECT_STREQ(header.stcPrefix, "run1");
}

TEST(HostFunctions, WrongKindOrMissingDocumentFailsWithoutWriting) {
    ThreeDocuments host;
    unsigned char untouched[sizeof(PastTransformationsHeader)];
    memset(untouched, 0xAB, sizeof untouched);
    FmrHeader fmrHeader;
    VmrHeader vmrHeader;
    ScannerPositionHeader position;
    PastTransformationsHeader past;
    memcpy(&fmrHeader, untouched, sizeof fmrHeader);
    memcpy(&vmrHeader, untouched, sizeof vmrHeader);
    memcpy(&position, untouched, sizeof position);
    memcpy(&past, untouched, sizeof past);
    int scratch = 77;

    ASSERT_TRUE(zrSetAsCurrentDocument(0)); // a VMR: every FMR call fails
    EXPECT_FALSE(zrGetHeaderOfCurrentFMR(&fmrHeader));
    EXPECT_FALSE(zrSetHeaderOfCurrentFMR(&fmrHeader));
    EXPECT_FALSE(zrGetScannerPositionHeaderOfCurrentFMR(&position));
    EXPECT_EQ(zrGetSTCFloatDataOfCurrentFMR(), nullptr);
    EXPECT_EQ(zrGetSTCIntDataOfCurrentFMR(), nullptr);
    EXPECT_FALSE(zrSaveFMRAndSTC(&fmrHeader, "x"));
    ASSERT_TRUE(zrSetAsCurrentDocument(1)); // an FMR: every VMR call fails
    EXPECT_FALSE(zrGetMainHeaderOfCurrentVMR(&vmrHeader));
    EXPECT_FALSE(zrGetScannerPositionHeaderOfCurrentVMR(&position));
    EXPECT_FALSE(zrGetPastTransformationsHeaderOfCurrentVMR(&past));
    EXPECT_EQ(zrGetCurrentVMR(&scratch, &scratch, &scratch), nullptr);
    EXPECT_EQ(memcmp(&fmrHeader, untouched, sizeof fmrHeader), 0);
    EXPECT_EQ(memcmp(&vmrHeader, untouched, sizeof vmrHeader), 0);
    EXPECT_EQ(memcmp(&position, untouched, sizeof position), 0);
    EXPECT_EQ(memcmp(&past, untouched, sizeof past), 0);
    EXPECT_EQ(scratch, 77);
    EXPECT_TRUE(host.savedPrefixes.empty());

    // Null records are refused, not written through.
    ASSERT_TRUE(zrSetAsCurrentDocument(1));
    EXPECT_FALSE(zrGetHeaderOfCurrentFMR(nullptr));
    EXPECT_FALSE(zrGetScannerPositionHeaderOfCurrentFMR(nullptr));
    EXPECT_FALSE(zrGetVersionOfZentrovisZR(nullptr, &scratch, &scratch));
}

TEST(HostFunctions, WithoutAWorkspaceThereAreNoDocuments) {
    installWorkspace(nullptr);
    EXPECT_EQ(zrGetNumberOfDocsInWorkspace(), 0);
    EXPECT_EQ(zrGetDocumentType(0), 0);
    EXPECT_FALSE(zrSetAsCurrentDocument(0));
    EXPECT_EQ(zrGetCurrentVMR(nullptr, nullptr, nullptr), nullptr);
    EXPECT_TRUE(zrLogText("nobody listens"));
    EXPECT_EQ(zrGetIntegerInput("choose", 2, 1, 3), 2);
    EXPECT_TRUE(zrUpdateActiveWindow());
}

TEST(HostFunctions, RecordsCarryTheDocumentsGridAndNames) {
    ThreeDocuments host;
    ASSERT_TRUE(zrSetAsCurrentDocument(1));
    FmrHeader fmr;
    ASSERT_TRUE(zrGetHeaderOfCurrentFMR(&fmr));
    EXPECT_STREQ(fmr.fileName, "run1.fmr");
    EXPECT_STREQ(fmr.linkedFileName, "");
    EXPECT_EQ(fmr.dimX, 6);
    EXPECT_EQ(fmr.dimY, 5);
    EXPECT_EQ(fmr.dimZ, 4);
    EXPECT_FLOAT_EQ(fmr.voxelSizeX, 3.0f);
    EXPECT_FLOAT_EQ(fmr.voxelSizeY, 3.0f);
    EXPECT_FLOAT_EQ(fmr.voxelSizeZ, 4.0f);
    EXPECT_EQ(fmr.dataType, kFmrDataFloat32);

    // Descending axial slices about (10, 20, 30): first slice 6 mm above the centre, last 6 mm below.
    ScannerPositionHeader position;
    ASSERT_TRUE(zrGetScannerPositionHeaderOfCurrentFMR(&position));
    EXPECT_FLOAT_EQ(position.firstSliceCenterX, 10.0f);
    EXPECT_FLOAT_EQ(position.firstSliceCenterY, 20.0f);
    EXPECT_FLOAT_EQ(position.firstSliceCenterZ, 36.0f);
    EXPECT_FLOAT_EQ(position.lastSliceCenterZ, 24.0f);
    int32_t dims[3];
    double centred[16];
    ASSERT_TRUE(readScannerPosition(&position, dims, centred));
    EXPECT_EQ(dims[0], 6);
    EXPECT_EQ(dims[1], 5);
    EXPECT_EQ(dims[2], 4);
    const double expected[16] = {3, 0, 0, 10, 0, 3, 0, 20, 0, 0, -4, 30, 0, 0, 0, 1};
    for (int k = 0; k < 16; ++k) {
        EXPECT_NEAR(centred[k], expected[k], 1e-5) << k;
    }

    ASSERT_TRUE(zrSetAsCurrentDocument(0));
    VmrHeader vmr;
    ASSERT_TRUE(zrGetMainHeaderOfCurrentVMR(&vmr));
    EXPECT_EQ(vmr.dimX, 10);
    EXPECT_EQ(vmr.dimY, 12);
    EXPECT_EQ(vmr.dimZ, 14);
    EXPECT_FLOAT_EQ(vmr.voxelSizeY, 1.5f);
    EXPECT_FLOAT_EQ(vmr.voxelSizeZ, 2.0f);
    int sx = 0, sy = 0, sz = 0;
    EXPECT_EQ(zrGetCurrentVMR(&sx, &sy, &sz), host.vmr->voxels);
    EXPECT_EQ(sx * 1000000 + sy * 1000 + sz, 10012014);
}

TEST(HostFunctions, TakingAHeaderRenamesTheDocumentAndSavingPassesItOn) {
    ThreeDocuments host;
    ASSERT_TRUE(zrSetAsCurrentDocument(2));
    FmrHeader header;
    ASSERT_TRUE(zrGetHeaderOfCurrentFMR(&header));
    strcpy(header.stcPrefix, "run2_VMR");
    strcpy(header.fileName, "run2_VMR.fmr");
    header.dimX = 999; // the grid describes the storage and is not taken over
    header.dataType = kFmrDataFloat32;
    ASSERT_TRUE(zrSetHeaderOfCurrentFMR(&header));
    EXPECT_STREQ(host.intFmr->stcPrefix, "run2_VMR");
    EXPECT_STREQ(host.intFmr->fileName, "run2_VMR.fmr");
    EXPECT_EQ(host.intFmr->dims[0], 6);
    EXPECT_EQ(host.intFmr->dataType, kFmrDataInt16);
    EXPECT_STREQ(host.floatFmr->stcPrefix, "run1");

    ASSERT_TRUE(zrSaveFMRAndSTC(&header, header.stcPrefix));
    ASSERT_EQ(host.savedDocuments.size(), 1u);
    EXPECT_EQ(host.savedDocuments[0], host.intFmr);
    EXPECT_EQ(host.savedPrefixes[0], "run2_VMR");

    // A name without its terminating NUL is refused as a whole.
    memset(header.linkedFileName, 'x', sizeof header.linkedFileName);
    strcpy(header.stcPrefix, "other");
    EXPECT_FALSE(zrSetHeaderOfCurrentFMR(&header));
    EXPECT_STREQ(host.intFmr->stcPrefix, "run2_VMR");
}

TEST(HostFunctions, UserFacingCallsReachTheCallbacks) {
    ThreeDocuments host;
    host.answer = 3;
    EXPECT_TRUE(zrShowLogTab());
    EXPECT_TRUE(zrLogText("line one"));
    EXPECT_TRUE(zrMessageBox("careful"));
    EXPECT_EQ(zrGetIntegerInput("Select", 1, 1, 3), 3);
    EXPECT_TRUE(zrUpdateActiveWindow());
    ASSERT_EQ(host.log.size(), 1u);
    EXPECT_EQ(host.log[0], "line one");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "careful");
    ASSERT_EQ(host.prompts.size(), 1u);
    EXPECT_EQ(host.prompts[0], "Select");
    EXPECT_EQ(host.redraws, 1);
    // Every call is announced before it acts, with the document it concerns.
    const std::vector<std::string> calls = {"zrShowLogTab()", "log: line one", "zrMessageBox(careful)",
                                            "zrGetIntegerInput(Select)", "zrUpdateActiveWindow()"};
    EXPECT_EQ(host.calls, calls);
    ASSERT_TRUE(zrSetAsCurrentDocument(2));
    EXPECT_EQ(zrGetSTCFloatDataOfCurrentFMR(), nullptr);
    EXPECT_EQ(host.calls.back(), "zrGetSTCFloatDataOfCurrentFMR(2)");

    // Without a prompt callback the host answers the default; without a saver nothing is saved.
    host.workspace.callbacks.promptInteger = nullptr;
    host.workspace.callbacks.saveFmr = nullptr;
    EXPECT_EQ(zrGetIntegerInput("Select", 2, 1, 3), 2);
    ASSERT_TRUE(zrSetAsCurrentDocument(1));
    FmrHeader header;
    ASSERT_TRUE(zrGetHeaderOfCurrentFMR(&header));
    EXPECT_FALSE(zrSaveFMRAndSTC(&header, header.stcPrefix));
}

TEST(HostFunctions, VersionIsSettable) {
    int a = 0, b = 0, c = 0;
    ASSERT_TRUE(zrGetVersionOfZentrovisZR(&a, &b, &c));
    EXPECT_EQ(a * 10000 + b * 100 + c, 210300);
    setHostVersion(2, 9, 8);
    ASSERT_TRUE(zrGetVersionOfZentrovisZR(&a, &b, &c));
    EXPECT_EQ(a * 10000 + b * 100 + c, 20908);
    setHostVersion(21, 3, 0);
}

TEST(HostDocuments, FlippingMirrorsDataAndKeepsEveryValueAtItsScannerPosition) {
    const int32_t dims[3] = {5, 4, 3};
    const float voxel[3] = {1.0f, 2.0f, 3.0f};
    const float rotation[3] = {10, 20, 30};
    const float centre[3] = {1, 2, 3};
    double affine[16];
    phantomGridAffine(dims, voxel, kPhantomOblique, false, rotation, centre, affine);
    for (int axis = 0; axis < 3; ++axis) {
        HostDocument* vmr = createVmrDocument(dims, affine, "v.vmr");
        ASSERT_NE(vmr, nullptr);
        for (int index = 0; index < 60; ++index) {
            vmr->voxels[index] = static_cast<unsigned char>(index);
        }
        ASSERT_TRUE(flipVmrDocument(vmr, axis));
        for (int z = 0; z < 3; ++z) {
            for (int y = 0; y < 4; ++y) {
                for (int x = 0; x < 5; ++x) {
                    int old[3] = {x, y, z};
                    old[axis] = dims[axis] - 1 - old[axis];
                    int oldIndex = old[0] + 5 * (old[1] + 4 * old[2]);
                    EXPECT_EQ(vmr->voxels[x + 5 * (y + 4 * z)], oldIndex);
                    double now[3], before[3];
                    affineApply(vmr->voxelToScanner, x, y, z, now);
                    affineApply(affine, old[0], old[1], old[2], before);
                    for (int c = 0; c < 3; ++c) {
                        EXPECT_NEAR(now[c], before[c], 1e-9);
                    }
                }
            }
        }
        // The scanner record still describes the data as acquired.
        ScannerPositionHeader acquired, reported;
        fillScannerPositionFromAffine(dims, affine, &acquired);
        fillScannerPosition(vmr, &reported);
        EXPECT_EQ(memcmp(&acquired, &reported, sizeof acquired), 0);
        int sign[3];
        ASSERT_TRUE(readNetFlips(&vmr->pastTransformations, sign));
        EXPECT_EQ(sign[axis], -1);
        EXPECT_EQ(sign[0] + sign[1] + sign[2], 1);
        releaseDocument(vmr);
    }
}

TEST(HostDocuments, CreationRefusesWhatCannotBeStored) {
    double affine[16];
    affineIdentity(affine);
    const int32_t zero[3] = {4, 0, 4};
    const int32_t huge[3] = {2048, 2048, 1024};
    const int32_t fine[3] = {2, 2, 2};
    EXPECT_EQ(createVmrDocument(zero, affine, "a"), nullptr);
    EXPECT_EQ(createVmrDocument(huge, affine, "a"), nullptr);
    EXPECT_EQ(createFmrDocument(fine, affine, 3, 1, "a", "a"), nullptr);
    EXPECT_EQ(createFmrDocument(fine, affine, kFmrDataInt16, 0, "a", "a"), nullptr);
    std::string longName(1000, 'n');
    HostDocument* fmr = createFmrDocument(fine, affine, kFmrDataInt16, 2, longName.c_str(), longName.c_str());
    ASSERT_NE(fmr, nullptr);
    EXPECT_EQ(strlen(fmr->fileName), sizeof fmr->fileName - 1);
    EXPECT_EQ(strlen(fmr->stcPrefix), sizeof fmr->stcPrefix - 1);
    EXPECT_EQ(fmr->intVolumes[1] - fmr->intVolumes[0], 8);
    releaseDocument(fmr);

    HostWorkspace workspace;
    initWorkspace(&workspace);
    for (int k = 0; k < kHostMaxDocuments; ++k) {
        EXPECT_TRUE(addDocument(&workspace, createVmrDocument(fine, affine, "v")));
    }
    HostDocument* extra = createVmrDocument(fine, affine, "v");
    EXPECT_FALSE(addDocument(&workspace, extra));
    releaseDocument(extra);
    EXPECT_EQ(workspace.currentIndex, kHostMaxDocuments - 1);
    releaseWorkspaceDocuments(&workspace);
    EXPECT_EQ(workspace.documentCount, 0);
}

TEST(HostDocuments, PastTransformationRecordKeepsItsBounds) {
    PastTransformationsHeader record;
    clearPastTransformations(&record);
    EXPECT_FALSE(recordFlip(&record, 3));
    EXPECT_FALSE(recordFlip(&record, -1));
    for (int k = 0; k < kMaxRecordedFlips; ++k) {
        EXPECT_TRUE(recordFlip(&record, k % 3));
    }
    EXPECT_FALSE(recordFlip(&record, 0));
    int sign[3];
    ASSERT_TRUE(readNetFlips(&record, sign));
    // 64 flips: axis 0 and 1 flipped 22 and 21 times, axis 2 21 times.
    EXPECT_EQ(sign[0], 1);
    EXPECT_EQ(sign[1], -1);
    EXPECT_EQ(sign[2], -1);
    const int32_t badAxis = 5;
    memcpy(record.hostBytes + 4, &badAxis, sizeof badAxis);
    EXPECT_FALSE(readNetFlips(&record, sign));
    EXPECT_EQ(sign[0] + sign[1] + sign[2], 3);
}

} // namespace
