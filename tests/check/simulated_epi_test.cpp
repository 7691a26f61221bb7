// The accuracy table's simulation (bench/simulated_epi.h): the known errors it applies, the residual it
// measures them by, where it finds the MNI152 templates, and the simulated EPI itself (skipped when the
// templates are not beside the repository).
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <ostream>

#include "host/alignment_check/alignment_check.h"
#include "host/alignment_check/check_grid.h"
#include "simulated_epi.h"

namespace {

NiftiImage countingImage(int nx, int ny, int nz) {
    NiftiImage image;
    image.nx = nx, image.ny = ny, image.nz = nz;
    setAffine(image, obliqueGrid(nx, ny, nz, {2, 3, 4}, {1, 2, 3}, {5, 0, 0}).voxelToWorld);
    for (int i = 0; i < nx * ny * nz; ++i) {
        image.floatSamples.push_back(static_cast<float>(i));
    }
    return image;
}

float at(const NiftiImage& image, int x, int y, int z) {
    return image.floatSamples[x + image.nx * (y + image.ny * z)];
}

struct Reorientation {
    OrientationError error;
    int from[3]; // where the sample now at (0, 1, 1) came from in a 3x4x2 grid
    int nx, ny;  // the new grid's first two sizes
};

void PrintTo(const Reorientation& r, std::ostream* out) {
    *out << orientationErrorName(r.error);
}

class ReorientedSamplesTest : public ::testing::TestWithParam<Reorientation> {};

TEST_P(ReorientedSamplesTest, MovesSamplesKeepsHeaderAndUndoesItself) {
    const Reorientation& r = GetParam();
    const NiftiImage image = countingImage(3, 4, 2);
    const NiftiImage once = reorientedSamples(image, r.error);
    EXPECT_EQ(once.nx, r.nx);
    EXPECT_EQ(once.ny, r.ny);
    EXPECT_EQ(once.voxelToWorld, image.voxelToWorld);
    EXPECT_EQ(at(once, 0, 1, 1), at(image, r.from[0], r.from[1], r.from[2]));
    EXPECT_EQ(reorientedSamples(once, r.error).floatSamples, image.floatSamples);
}

INSTANTIATE_TEST_SUITE_P(EveryError, ReorientedSamplesTest,
                         ::testing::Values(Reorientation{OrientationError::kNone, {0, 1, 1}, 3, 4},
                                           Reorientation{OrientationError::kMirrorX, {2, 1, 1}, 3, 4},
                                           Reorientation{OrientationError::kMirrorY, {0, 2, 1}, 3, 4},
                                           Reorientation{OrientationError::kMirrorZ, {0, 1, 0}, 3, 4},
                                           Reorientation{OrientationError::kSwapXY, {1, 0, 1}, 4, 3}),
                         [](const ::testing::TestParamInfo<Reorientation>& info) {
                             std::string name = orientationErrorName(info.param.error);
                             for (char& c : name) {
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

TEST(SimulatedEpiTest, KnownOffsetMovesTheHeaderAndItsInverseLeavesNoResidual) {
    const NiftiImage image = countingImage(3, 4, 2);
    KnownError error;
    error.offset.translationMm = {3, 4, 0};
    Matrix4d motion;
    const NiftiImage moved = withKnownError(image, error, {0, 0, 0}, motion);
    EXPECT_EQ(matrixFromRowMajor(moved.voxelToWorld),
              multiply(motion, matrixFromRowMajor(image.voxelToWorld)));
    const std::vector<Point3d> points = {{0, 0, 0}, {10, -20, 5}, {-7, 3, 40}};
    // No correction leaves the whole shift; the exact inverse none, for a shift and for a turn too.
    EXPECT_DOUBLE_EQ(residualMm(identityMatrix(), motion, points), 5.0);
    EXPECT_NEAR(residualMm(invertAffine(motion), motion, points), 0.0, 1e-12);
    error.offset.rotationDeg = {0, 0, 10};
    withKnownError(image, error, {5, 5, 5}, motion);
    EXPECT_NEAR(residualMm(invertAffine(motion), motion, points), 0.0, 1e-12);
    EXPECT_GT(residualMm(identityMatrix(), motion, points), 5.0);
}

TEST(SimulatedEpiTest, DataFolderFromOptionThenEnvironmentThenBesideTheRepository) {
    unsetenv("POSALIGN_SHARED_DATA");
    const std::string beside = referenceDataFolder();
    EXPECT_EQ(beside.substr(beside.size() - 15), "/../shared/data");
    setenv("POSALIGN_SHARED_DATA", "/from/environment", 1);
    EXPECT_EQ(referenceDataFolder(), "/from/environment");
    EXPECT_EQ(referenceDataFolder("/from/option"), "/from/option");
    unsetenv("POSALIGN_SHARED_DATA");
    const ReferenceImages missing = readReferenceImages("/no/such/folder");
    EXPECT_NE(missing.error.find("/no/such/folder/MNI152_T1_2mm.nii.gz"), std::string::npos);
    EXPECT_NE(missing.error.find("POSALIGN_SHARED_DATA"), std::string::npos);
}

TEST(SimulatedEpiTest, EpiIsRepeatableNoisyAndDarkWhereSignalIsLost) {
    const ReferenceImages images = readReferenceImages(referenceDataFolder());
    if (!images.error.empty()) {
        GTEST_SKIP() << images.error;
    }
    EpiSimulation simulation;
    simulation.grid = standardEpiGrid();
    const NiftiImage epi = simulatedEpi(images.t2, simulation);
    ASSERT_EQ(epi.floatSamples.size(), 64u * 64u * 40u);
    EXPECT_EQ(simulatedEpi(images.t2, simulation).floatSamples, epi.floatSamples);
    simulation.dropoutDepth = 0.0;
    const NiftiImage full = simulatedEpi(images.t2, simulation);
    // Mean over a small box in world mm around a point, by nearest voxel.
    const Matrix4d toVoxel = invertAffine(simulation.grid.voxelToWorld);
    auto meanNear = [&](const NiftiImage& image, const Point3d& centre) {
        double sum = 0;
        int count = 0;
        for (int dx = -6; dx <= 6; dx += 3)
            for (int dy = -6; dy <= 6; dy += 3)
                for (int dz = -6; dz <= 6; dz += 3) {
                    const Point3d v =
                        transformPoint(toVoxel, {centre[0] + dx, centre[1] + dy, centre[2] + dz});
                    sum += at(image, int(std::lround(v[0])), int(std::lround(v[1])), int(std::lround(v[2])));
                    ++count;
                }
        return sum / count;
    };
    // The orbitofrontal cortex loses most of its signal; the middle of the brain keeps it.
    EXPECT_LT(meanNear(epi, {0, 38, -22}), 0.4 * meanNear(full, {0, 38, -22}));
    EXPECT_NEAR(meanNear(epi, {0, -18, 18}), meanNear(full, {0, -18, 18}),
                0.05 * meanNear(full, {0, -18, 18}));
    // Outside the head only noise: above zero (Rician) and far below the brain.
    const double corner = at(epi, 1, 1, 1) + at(epi, 62, 62, 38) + at(epi, 1, 62, 1);
    EXPECT_GT(corner, 0.0);
    EXPECT_LT(corner / 3, 0.2 * meanNear(epi, {0, -18, 18}));
    const std::vector<Point3d> brain = brainPointsOfGrid(simulation.grid, images.t1);
    EXPECT_GT(brain.size(), 15000u); // a brain of about 1.2 l in 40 ml voxels
}

// The sign of the match is settled from every orientation's refined starts, for either contrast: a run with
// two axes swapped matches a T2 nowhere as stored (its grid as stored took the wrong sign and the swap read
// as an anterior-posterior mirror), and so does a run 51 mm and 21 degrees off (it was put 62 mm from the
// truth and called a left-right mirror).
TEST(SimulatedEpiTest, TheMatchsSignHoldsForSwappedAndFarOffRuns) {
    const ReferenceImages images = readReferenceImages(referenceDataFolder());
    if (!images.error.empty()) {
        GTEST_SKIP() << images.error;
    }
    EpiSimulation simulation;
    simulation.grid = fineEpiGrid();
    const NiftiImage epi = simulatedEpi(images.t2, simulation);
    const std::vector<Point3d> brain = brainPointsOfGrid(simulation.grid, images.t1);
    KnownError swap, farOff;
    swap.orientation = OrientationError::kSwapXY;
    farOff.offset.translationMm = {-40, 20, -25};
    farOff.offset.rotationDeg = {8, -12, 15};
    for (const NiftiImage* contrast : {&images.t1, &images.t2}) {
        const NiftiImage anatomical = resampledAnatomical(*contrast, 1.6);
        const char* name = contrast == &images.t1 ? "T1" : "T2";
        Matrix4d motion;
        const NiftiImage swapped = withKnownError(epi, swap, gridCentre(temporalMean(epi)), motion);
        const RunCheck swapCheck =
            checkAlignment({"anatomical", &anatomical}, {"swapped", &swapped}, CheckSettings{});
        EXPECT_EQ(swapCheck.orientation.suspected, "axes swapped (left-right with anterior-posterior)")
            << name;
        EXPECT_EQ(swapCheck.verdict, Verdict::kFail) << name;
        const NiftiImage moved = withKnownError(epi, farOff, gridCentre(temporalMean(epi)), motion);
        const RunCheck farCheck =
            checkAlignment({"anatomical", &anatomical}, {"far off", &moved}, CheckSettings{});
        EXPECT_EQ(farCheck.orientation.suspected, "") << name;
        EXPECT_LT(residualMm(farCheck.search.correction, motion, brain), 1.5) << name;
    }
}

} // namespace
