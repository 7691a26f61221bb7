// The host's initial alignment, checked through the plug-in's own transformation builder: for grids in every
// orientation and slice order, with and without recorded VMR flips, F x Sf x IA x P x Sv must be the true
// voxel-to-voxel map of the documents' geometry.
#include <gtest/gtest.h>
#include <math.h>

#include <ostream>

#include "tests/host/core_test_support.h"
#include "geometry/transformation_builder.h"
#include "tests/support/point_mapping.h"
#include "host/core/initial_alignment.h"
#include "host/core/past_transformations.h"
#include "host/core/phantom.h"
#include "host/core/scanner_geometry.h"

namespace {

struct AlignmentCase {
    const char* name;
    int fmrOrientation;
    bool descending;
    float fmrRotationDeg[3];
    int32_t fmrDims[3];
    float fmrVoxel[3];
    int vmrOrientation;
    int32_t vmrDims[3];
    float vmrVoxel[3];
    int vmrFlipAxes; // bit a: flipVmrDocument(axis a)
};

// clang-format off
const AlignmentCase kCases[] = {
    // name                                  FMR orientation  desc   rotation     FMR dims      FMR voxel         VMR orientation   VMR dims      VMR voxel       flips
    {"axial_ascending",                      kPhantomAxial,    false, {0, 0, 0},   {64, 64, 30}, {3.5f, 3.5f, 4},  kPhantomAxial,    {64, 64, 64}, {4, 4, 4},      0},
    {"axial_descending",                     kPhantomAxial,    true,  {0, 0, 0},   {64, 64, 30}, {3.5f, 3.5f, 4},  kPhantomAxial,    {64, 64, 64}, {4, 4, 4},      0},
    {"sagittal_ascending",                   kPhantomSagittal, false, {0, 0, 0},   {64, 64, 30}, {3.5f, 3.5f, 4},  kPhantomAxial,    {64, 64, 64}, {4, 4, 4},      0},
    {"sagittal_descending",                  kPhantomSagittal, true,  {0, 0, 0},   {64, 64, 30}, {3.5f, 3.5f, 4},  kPhantomAxial,    {64, 64, 64}, {4, 4, 4},      0},
    {"coronal_ascending",                    kPhantomCoronal,  false, {0, 0, 0},   {64, 64, 30}, {3.5f, 3.5f, 4},  kPhantomAxial,    {64, 64, 64}, {4, 4, 4},      0},
    {"coronal_descending",                   kPhantomCoronal,  true,  {0, 0, 0},   {64, 64, 30}, {3.5f, 3.5f, 4},  kPhantomAxial,    {64, 64, 64}, {4, 4, 4},      0},
    {"oblique_ascending",                    kPhantomOblique,  false, {0, 0, 0},   {64, 64, 30}, {3.5f, 3.5f, 4},  kPhantomAxial,    {64, 64, 64}, {4, 4, 4},      0},
    {"oblique_descending",                   kPhantomOblique,  true,  {0, 0, 0},   {64, 64, 30}, {3.5f, 3.5f, 4},  kPhantomAxial,    {64, 64, 64}, {4, 4, 4},      0},
    {"oblique_rotated_into_sagittal_vmr",    kPhantomOblique,  true,  {5, -8, 20}, {80, 72, 25}, {3, 3.2f, 4.5f},  kPhantomSagittal, {40, 48, 36}, {1.2f, 1, 1.5f}, 0},
    {"coronal_tilted_into_coronal_vmr",      kPhantomCoronal,  false, {-15, 4, 0}, {64, 64, 30}, {3.5f, 3.5f, 4},  kPhantomCoronal,  {64, 64, 64}, {4, 4, 4},      0},
    {"axial_into_x_flipped_vmr",             kPhantomAxial,    true,  {0, 0, 0},   {64, 64, 30}, {3.5f, 3.5f, 4},  kPhantomAxial,    {64, 64, 64}, {4, 4, 4},      1},
    {"axial_ascending_into_x_flipped_vmr",   kPhantomAxial,    false, {0, 0, 0},   {64, 64, 30}, {3.5f, 3.5f, 4},  kPhantomAxial,    {64, 64, 64}, {4, 4, 4},      1},
    {"coronal_into_yz_flipped_vmr",          kPhantomCoronal,  false, {3, 0, -6},  {64, 64, 30}, {3.5f, 3.5f, 4},  kPhantomAxial,    {50, 60, 70}, {2, 2, 2},      6},
    {"sagittal_into_all_flipped_sagittal",   kPhantomSagittal, true,  {0, 10, 0},  {64, 64, 30}, {3.5f, 3.5f, 4},  kPhantomSagittal, {64, 64, 64}, {4, 4, 4},      7},
    {"oblique_into_z_flipped_oblique_vmr",   kPhantomOblique,  false, {0, 0, 30},  {64, 64, 30}, {3.5f, 3.5f, 4},  kPhantomOblique,  {64, 64, 64}, {4, 4, 4},      4},
    {"single_slice",                         kPhantomOblique,  false, {2, 3, 4},   {64, 64, 1},  {3.5f, 3.5f, 4},  kPhantomAxial,    {64, 64, 64}, {4, 4, 4},      0},
};
// clang-format on

// Failures name the case rather than dumping its bytes.
void PrintTo(const AlignmentCase& c, std::ostream* os) {
    *os << c.name;
}

class InitialAlignment : public ::testing::TestWithParam<AlignmentCase> {};

TEST_P(InitialAlignment, PluginChainIsTheTrueVoxelMap) {
    const AlignmentCase& c = GetParam();
    ScriptedHost host;
    double affine[16];
    const float noRotation[3] = {0, 0, 0};
    const float vmrCentre[3] = {1.0f, -2.0f, 3.0f};
    const float fmrCentre[3] = {4.0f, -6.0f, 10.0f};
    phantomGridAffine(c.vmrDims, c.vmrVoxel, c.vmrOrientation, false, noRotation, vmrCentre, affine);
    HostDocument* vmr = createVmrDocument(c.vmrDims, affine, "a.vmr");
    ASSERT_NE(vmr, nullptr);
    for (int axis = 0; axis < 3; ++axis) {
        if ((c.vmrFlipAxes & (1 << axis)) != 0) {
            ASSERT_TRUE(flipVmrDocument(vmr, axis));
        }
    }
    phantomGridAffine(c.fmrDims, c.fmrVoxel, c.fmrOrientation, c.descending, c.fmrRotationDeg, fmrCentre,
                      affine);
    HostDocument* fmr = createFmrDocument(c.fmrDims, affine, kFmrDataInt16, 1, "f.fmr", "f");
    ASSERT_NE(fmr, nullptr);
    ASSERT_TRUE(addDocument(&host.workspace, vmr));
    ASSERT_TRUE(addDocument(&host.workspace, fmr));

    // The plug-in's side, through its host table.
    FmrHeader fmrHeader;
    ScannerPositionHeader fmrPosition, vmrPosition;
    VmrHeader vmrHeader;
    PastTransformationsHeader past;
    ASSERT_TRUE(host.table.zrSetAsCurrentDocument(1));
    ASSERT_TRUE(host.table.zrGetHeaderOfCurrentFMR(&fmrHeader));
    ASSERT_TRUE(host.table.zrGetScannerPositionHeaderOfCurrentFMR(&fmrPosition));
    ASSERT_TRUE(host.table.zrSetAsCurrentDocument(0));
    ASSERT_TRUE(host.table.zrGetMainHeaderOfCurrentVMR(&vmrHeader));
    ASSERT_TRUE(host.table.zrGetScannerPositionHeaderOfCurrentVMR(&vmrPosition));
    ASSERT_TRUE(host.table.zrGetPastTransformationsHeaderOfCurrentVMR(&past));
    IaMatrix ia;
    Matrix4 flip;
    int scratch[6];
    ASSERT_TRUE(host.table.zrCalculateIAMatrix(&fmrPosition, &vmrPosition, &past, &ia, flip.m, &scratch[0],
                                               &scratch[1], &scratch[2], &scratch[3], &scratch[4],
                                               &scratch[5]));
    const VmrToFmrFactors factors = buildVmrToFmrMatrix(fmrHeader, fmrPosition, vmrHeader, flip, ia);
    const Matrix4& chain = factors.result;

    double truth[16];
    trueVmrToFmr(*vmr, *fmr, truth);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(chain.m[4 * i + j], truth[4 * i + j], 2e-6) << "element " << i << "," << j;
        }
        EXPECT_NEAR(chain.m[4 * i + 3], truth[4 * i + 3], 2e-4) << "translation " << i;
    }
    EXPECT_EQ(chain.m[12], 0.0f);
    EXPECT_EQ(chain.m[13], 0.0f);
    EXPECT_EQ(chain.m[14], 0.0f);
    EXPECT_EQ(chain.m[15], 1.0f);

    // Every VMR corner lands where its scanner position lies in the FMR grid.
    for (int corner = 0; corner < 8; ++corner) {
        double centred[3];
        for (int axis = 0; axis < 3; ++axis) {
            double half = (c.vmrDims[axis] - 1) * 0.5;
            centred[axis] = (corner & (1 << axis)) != 0 ? half : -half;
        }
        Vector4 point = {static_cast<float>(centred[0]), static_cast<float>(centred[1]),
                         static_cast<float>(centred[2]), 1.0f};
        const Vector4 mapped = transformPoint(chain, point);
        double expected[3];
        affineApply(truth, centred[0], centred[1], centred[2], expected);
        EXPECT_NEAR(mapped.x, expected[0], 1e-3);
        EXPECT_NEAR(mapped.y, expected[1], 1e-3);
        EXPECT_NEAR(mapped.z, expected[2], 1e-3);
    }

    // The flip matrix carries the net recorded flips; the builder incorporates it exactly when one is odd.
    int sign[3];
    ASSERT_TRUE(readNetFlips(&past, sign));
    EXPECT_EQ(flip.m[0], static_cast<float>(sign[0]));
    EXPECT_EQ(flip.m[5], static_cast<float>(sign[1]));
    EXPECT_EQ(flip.m[10], static_cast<float>(sign[2]));
    EXPECT_EQ(factors.pastIncorporated, c.vmrFlipAxes != 0);
}

INSTANTIATE_TEST_SUITE_P(EveryOrientation, InitialAlignment, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<AlignmentCase>& info) { return info.param.name; });

// The slice-order flip the host assumes must be the one the plug-in builds, for the cases its rule singles
// out.
TEST(InitialAlignment, SliceOrderFlipAgreesWithThePluginsRule) {
    const float differences[][3] = {{10, 0, 0},    {-10, 0, 0}, {0, 0, -30}, {0, 0, 30}, {1, 30, -0.5f},
                                    {1, 30, 0.5f}, {5, 0, -5},  {0, 0, 0},   {-3, 2, 1}, {2, -3, -1}};
    for (const float* d : differences) {
        ScannerPositionHeader position;
        memset(&position, 0, sizeof position);
        position.firstSliceCenterX = 7.0f + d[0];
        position.firstSliceCenterY = -3.0f + d[1];
        position.firstSliceCenterZ = 11.0f + d[2];
        position.lastSliceCenterX = 7.0f;
        position.lastSliceCenterY = -3.0f;
        position.lastSliceCenterZ = 11.0f;
        int flipX, flipZ;
        sliceOrderFlipSigns(&position, &flipX, &flipZ);
        Matrix4 plugin;
        buildSliceOrderFlip(position, plugin);
        EXPECT_EQ(static_cast<float>(flipX), plugin.m[0]) << d[0] << " " << d[1] << " " << d[2];
        EXPECT_EQ(static_cast<float>(flipZ), plugin.m[10]) << d[0] << " " << d[1] << " " << d[2];
    }
}

// Records the host cannot read give identity outputs and false, never garbage.
TEST(InitialAlignment, UnreadableRecordsGiveIdentityAndFalse) {
    const int32_t dims[3] = {8, 8, 8};
    double affine[16];
    affineIdentity(affine);
    ScannerPositionHeader good, zeroed, badSize, sameCentres;
    fillScannerPositionFromAffine(dims, affine, &good);
    memset(&zeroed, 0, sizeof zeroed);
    badSize = good;
    const float negative = -1.0f;
    memcpy(reinterpret_cast<unsigned char*>(&badSize) + 40, &negative, sizeof negative);
    sameCentres = good;
    sameCentres.lastSliceCenterX = sameCentres.firstSliceCenterX;
    sameCentres.lastSliceCenterY = sameCentres.firstSliceCenterY;
    sameCentres.lastSliceCenterZ = sameCentres.firstSliceCenterZ;
    PastTransformationsHeader history, malformed;
    clearPastTransformations(&history);
    clearPastTransformations(&malformed);
    const int32_t badCount = kMaxRecordedFlips + 1;
    memcpy(malformed.hostBytes, &badCount, sizeof badCount);

    struct Case {
        const ScannerPositionHeader* fmr;
        const ScannerPositionHeader* vmr;
        const PastTransformationsHeader* past;
    } cases[] = {{&zeroed, &good, &history}, {&good, &badSize, &history}, {&sameCentres, &good, &history},
                 {&good, &good, &malformed}, {nullptr, &good, &history},  {&good, &good, nullptr}};
    for (const Case& c : cases) {
        IaMatrix ia;
        float flip[16];
        memset(&ia, 0x7f, sizeof ia);
        memset(flip, 0x7f, sizeof flip);
        EXPECT_FALSE(computeInitialAlignment(c.fmr, c.vmr, c.past, &ia, flip));
        for (int k = 0; k < 16; ++k) {
            EXPECT_EQ(ia.s[k], k % 5 == 0 ? 1.0f : 0.0f);
            EXPECT_EQ(flip[k], k % 5 == 0 ? 1.0f : 0.0f);
        }
    }
    IaMatrix ia;
    float flip[16];
    EXPECT_TRUE(computeInitialAlignment(&good, &good, &history, &ia, flip));
}

} // namespace
