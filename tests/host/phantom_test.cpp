// The phantom: sampled from one object where its geometry says, deterministic, and aligned well enough that
// the plug-in's projections, run through the host core, tell an aligned run from a misaligned one.
#include <gtest/gtest.h>
#include <math.h>

#include <ostream>

#include <vector>

#include "tests/host/core_test_support.h"
#include "host/core/phantom.h"
#include "projection/projections.h"
#include "tests/support/phantom_intensity.h"

namespace {

// The plug-in's view of one FMR and the VMR, gathered through the host table as a run gathers it.
struct GatheredRun {
    FmrHeader fmrHeader;
    ScannerPositionHeader fmrPosition;
    std::vector<float> values;
    FloatVolume volume;
    VmrHeader vmrHeader;
    unsigned char* vmrVoxels;
    ScannerPositionHeader vmrPosition;
    PastTransformationsHeader past;
    IaMatrix ia;
    Matrix4 flip;
};

// Reads FMR `index` (its first volume, rescaled to 0..225) and the VMR, and has the host align them.
void gather(const HostFunctionTable& table, int index, GatheredRun& run) {
    ASSERT_TRUE(table.zrSetAsCurrentDocument(index));
    ASSERT_TRUE(table.zrGetHeaderOfCurrentFMR(&run.fmrHeader));
    ASSERT_TRUE(table.zrGetScannerPositionHeaderOfCurrentFMR(&run.fmrPosition));
    const int32_t count = run.fmrHeader.dimX * run.fmrHeader.dimY * run.fmrHeader.dimZ;
    run.values.assign(count, 0.0f);
    if (run.fmrHeader.dataType == kFmrDataInt16) {
        const int16_t* samples = table.zrGetSTCIntDataOfCurrentFMR()[0];
        for (int32_t i = 0; i < count; ++i) {
            run.values[i] = samples[i];
        }
    } else {
        const float* samples = table.zrGetSTCFloatDataOfCurrentFMR()[0];
        run.values.assign(samples, samples + count);
    }
    float low = run.values[0], high = run.values[0];
    for (float v : run.values) {
        low = v < low ? v : low;
        high = v > high ? v : high;
    }
    for (float& v : run.values) {
        v = ((v - low) * 225.0f) / (high - low);
    }
    run.volume.values = run.values.data();
    run.volume.voxelCount = count;
    ASSERT_TRUE(table.zrSetAsCurrentDocument(0));
    ASSERT_TRUE(table.zrGetMainHeaderOfCurrentVMR(&run.vmrHeader));
    int scratch[6];
    run.vmrVoxels = table.zrGetCurrentVMR(&scratch[0], &scratch[1], &scratch[2]);
    ASSERT_NE(run.vmrVoxels, nullptr);
    ASSERT_TRUE(table.zrGetScannerPositionHeaderOfCurrentVMR(&run.vmrPosition));
    ASSERT_TRUE(table.zrGetPastTransformationsHeaderOfCurrentVMR(&run.past));
    ASSERT_TRUE(table.zrCalculateIAMatrix(&run.fmrPosition, &run.vmrPosition, &run.past, &run.ia, run.flip.m,
                                          &scratch[0], &scratch[1], &scratch[2], &scratch[3], &scratch[4],
                                          &scratch[5]));
}

struct Similarity {
    double ssd;
    double ncc;
};

// Mapping 1 of the first FMR into the VMR; the SSD and NCC it measured.
Similarity paintFirstFmr(const PhantomOptions& options) {
    ScriptedHost host;
    EXPECT_TRUE(buildPhantomWorkspace(&options, &host.workspace));
    GatheredRun run;
    gather(host.table, 1, run);
    FmrToVmrResult result = projectFmrToVmr(run.vmrVoxels, run.vmrHeader, run.flip, run.volume, run.fmrHeader,
                                            run.fmrPosition, run.ia);
    return Similarity{result.ssd, result.ncc};
}

// Mapping 2 of the first FMR: the VMR resampled into the FMR grid, correlated (Pearson, over the whole FMR
// grid, which lies inside the VMR's field) with the object's anatomical intensity at each FMR voxel's true
// position.
double resampledCorrelation(const PhantomOptions& options) {
    ScriptedHost host;
    EXPECT_TRUE(buildPhantomWorkspace(&options, &host.workspace));
    GatheredRun run;
    gather(host.table, 1, run);
    projectVmrToFmr(run.vmrVoxels, run.vmrHeader, run.flip, run.volume, run.fmrHeader, run.fmrPosition,
                    run.ia);
    // Where the data really are: the geometry without the header error.
    float centre[3], rotation[3];
    for (int axis = 0; axis < 3; ++axis) {
        centre[axis] = options.fmrShiftMm[axis];
        rotation[axis] = options.fmrRotationDeg[axis];
    }
    double affine[16];
    phantomGridAffine(options.fmrDims, options.fmrVoxelSize, options.fmrOrientation, options.fmrDescending,
                      rotation, centre, affine);
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    int n = 0;
    const int32_t nx = options.fmrDims[0], ny = options.fmrDims[1], nz = options.fmrDims[2];
    for (int32_t z = 0; z < nz; ++z) {
        for (int32_t y = 0; y < ny; ++y) {
            for (int32_t x = 0; x < nx; ++x) {
                const int32_t index = x + nx * (y + ny * z);
                double p[3];
                affineApply(affine, x, y, z, p);
                const double a = run.values[index];
                const double b = phantomAnatomicalIntensity(
                    static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]));
                sa += a, sb += b, saa += a * a, sbb += b * b, sab += a * b;
                ++n;
            }
        }
    }
    const double cov = sab - sa * sb / n, va = saa - sa * sa / n, vb = sbb - sb * sb / n;
    return cov / sqrt(va * vb);
}

TEST(Phantom, VolumesAreSampledFromTheObjectWhereTheirGeometrySays) {
    PhantomOptions options;
    smallPhantomOptions(&options);
    HostWorkspace workspace;
    initWorkspace(&workspace);
    ASSERT_TRUE(buildPhantomWorkspace(&options, &workspace));
    ASSERT_EQ(workspace.documentCount, 3);
    EXPECT_EQ(workspace.currentIndex, 0);
    const HostDocument& vmr = *workspace.documents[0];
    const HostDocument& run1 = *workspace.documents[1];
    const HostDocument& run2 = *workspace.documents[2];
    EXPECT_EQ(vmr.kind, kDocumentVmr);
    EXPECT_EQ(run1.kind, kDocumentFmr);
    EXPECT_STREQ(run2.stcPrefix, "phantom_run2");
    EXPECT_EQ(run1.dims[2], 30);
    EXPECT_FLOAT_EQ(run1.voxelSize[2], 4.0f);
    EXPECT_EQ(run1.volumeCount, 3);

    // Every VMR byte is the anatomical intensity at its voxel centre, give or take the noise of 3.
    int tissueVoxels = 0;
    for (int32_t z = 0; z < 64; z += 3) {
        for (int32_t y = 0; y < 64; y += 2) {
            for (int32_t x = 0; x < 64; ++x) {
                double p[3];
                affineApply(vmr.voxelToScanner, x, y, z, p);
                float expected = phantomAnatomicalIntensity(
                    static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]));
                int value = vmr.voxels[x + 64 * (y + 64 * z)];
                ASSERT_LE(fabs(value - expected), 3.0) << x << "," << y << "," << z;
                tissueVoxels += expected > 0.0f;
            }
        }
    }
    EXPECT_GT(tissueVoxels, 1000);

    // The functional runs: EPI contrast, CSF brighter than grey, grey brighter than white, 0 outside.
    const float csf = phantomFunctionalIntensity(0, 0, 77), grey = phantomFunctionalIntensity(0, 0, 70),
                white = phantomFunctionalIntensity(0, 0, 20), air = phantomFunctionalIntensity(0, 0, 120);
    EXPECT_GT(csf, grey);
    EXPECT_GT(grey, white);
    EXPECT_EQ(air, 0.0f);
    int16_t highest = 0;
    for (int32_t i = 0; i < 64 * 64 * 30; ++i) {
        highest = run1.intVolumes[0][i] > highest ? run1.intVolumes[0][i] : highest;
    }
    EXPECT_GE(highest, 1500);
    EXPECT_LE(highest, 2000);

    // The second run is displaced: its centre moved by the configured shift.
    double centre1[3], centre2[3];
    affineApply(run1.voxelToScanner, 31.5, 31.5, 14.5, centre1);
    affineApply(run2.voxelToScanner, 31.5, 31.5, 14.5, centre2);
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_NEAR(centre1[axis], options.fmrShiftMm[axis], 1e-9);
        EXPECT_NEAR(centre2[axis] - centre1[axis], options.secondRunShiftMm[axis], 1e-9);
    }

    // Identical options give identical data; a header error moves the header, not the data.
    PhantomOptions shifted = options;
    shifted.fmr1HeaderErrorMm[1] = 8.0f;
    HostWorkspace again;
    initWorkspace(&again);
    ASSERT_TRUE(buildPhantomWorkspace(&shifted, &again));
    EXPECT_EQ(memcmp(again.documents[0]->voxels, vmr.voxels, 64 * 64 * 64), 0);
    EXPECT_EQ(
        memcmp(again.documents[1]->intVolumes[0], run1.intVolumes[0], 3 * 64 * 64 * 30 * sizeof(int16_t)), 0);
    EXPECT_NEAR(again.documents[1]->voxelToScanner[7] - run1.voxelToScanner[7], 8.0, 1e-9);
    releaseWorkspaceDocuments(&again);
    releaseWorkspaceDocuments(&workspace);
}

TEST(Phantom, InvalidOptionsLeaveTheWorkspaceEmpty) {
    PhantomOptions options;
    smallPhantomOptions(&options);
    PhantomOptions bad[5] = {options, options, options, options, options};
    bad[0].fmrCount = 3;
    bad[1].vmrSize = 0;
    bad[2].fmrVoxelSize[1] = 0.0f;
    bad[3].fmrOrientation = 9;
    bad[4].fmrDataType = 7;
    for (const PhantomOptions& o : bad) {
        HostWorkspace workspace;
        initWorkspace(&workspace);
        EXPECT_FALSE(buildPhantomWorkspace(&o, &workspace));
        EXPECT_EQ(workspace.documentCount, 0);
    }
}

struct ProjectionCase {
    const char* name;
    int fmrOrientation;
    bool descending;
    int vmrFlipAxes;
};

void PrintTo(const ProjectionCase& c, std::ostream* os) {
    *os << c.name;
}

class PhantomProjection : public ::testing::TestWithParam<ProjectionCase> {
  protected:
    PhantomOptions options() const {
        PhantomOptions o;
        smallPhantomOptions(&o);
        o.fmrCount = 1;
        o.fmrOrientation = GetParam().fmrOrientation;
        o.fmrDescending = GetParam().descending;
        o.vmrFlipAxes = GetParam().vmrFlipAxes;
        return o;
    }
};

TEST_P(PhantomProjection, ResampledVmrMatchesTheObjectInTheFmrGrid) {
    PhantomOptions aligned = options();
    PhantomOptions misaligned = aligned;
    misaligned.fmr1HeaderErrorMm[0] = 8.0f;
    const double good = resampledCorrelation(aligned);
    const double bad = resampledCorrelation(misaligned);
    EXPECT_GT(good, 0.9);
    EXPECT_LT(bad, good - 0.1);
}

TEST_P(PhantomProjection, HeaderShiftedByEightMillimetresScoresWorse) {
    PhantomOptions aligned = options();
    PhantomOptions misaligned = aligned;
    misaligned.fmr1HeaderErrorMm[2] = 8.0f;
    const Similarity good = paintFirstFmr(aligned);
    const Similarity bad = paintFirstFmr(misaligned);
    ASSERT_TRUE(isfinite(good.ssd) && isfinite(good.ncc) && isfinite(bad.ssd) && isfinite(bad.ncc));
    EXPECT_GT(good.ncc, bad.ncc);
    EXPECT_LT(good.ssd, bad.ssd);
}

const ProjectionCase kProjectionCases[] = {
    {"axial_ascending", kPhantomAxial, false, 0},
    {"axial_descending", kPhantomAxial, true, 0},
    {"sagittal_descending", kPhantomSagittal, true, 0},
    {"coronal_ascending", kPhantomCoronal, false, 0},
    {"oblique_descending", kPhantomOblique, true, 0},
    {"oblique_into_flipped_vmr", kPhantomOblique, true, 5},
};

INSTANTIATE_TEST_SUITE_P(Orientations, PhantomProjection, ::testing::ValuesIn(kProjectionCases),
                         [](const ::testing::TestParamInfo<ProjectionCase>& info) {
                             return info.param.name;
                         });

} // namespace
