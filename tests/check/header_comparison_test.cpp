// Header comparison in world terms: rotation between grids regardless of axis order, qform against sform,
// and the share of the functional inside the anatomical.
#include <gtest/gtest.h>

#include <cmath>

#include "host/alignment_check/header_comparison.h"
#include "host/alignment_check/synthetic_pair.h"

namespace {

Matrix4d gridAffine(const Point3d& rotationDeg, const Point3d& voxelSize = {2, 2, 2}) {
    return obliqueGrid(10, 10, 10, voxelSize, {0, 0, 0}, rotationDeg).voxelToWorld;
}

struct RotationCase {
    const char* name;
    Matrix4d a, b;
    double degrees;
};

TEST(GridRotation, AxesArePairedInWhateverOrderAndDirectionIsClosest) {
    Matrix4d sagittal{}; // x anterior, y inferior, slices along +x
    sagittal[1][0] = 2;
    sagittal[2][1] = -2;
    sagittal[0][2] = 2;
    sagittal[3][3] = 1;
    Matrix4d radiological = gridAffine({0, 0, 0}); // x runs right to left: the other handedness
    radiological[0][0] = -2;
    const RotationCase cases[] = {
        {"same grid", gridAffine({0, 0, 0}), gridAffine({0, 0, 0}, {3, 3, 4}), 0},
        {"10 degrees oblique", gridAffine({0, 0, 0}), gridAffine({10, 0, 0}), 10},
        {"two tilts", gridAffine({0, 0, 0}), gridAffine({0, 7, 0}), 7},
        {"sagittal against axial", gridAffine({0, 0, 0}), sagittal, 0},
        {"sagittal against 5-degree oblique", gridAffine({5, 0, 0}), sagittal, 5},
        {"other handedness", gridAffine({0, 0, 0}), radiological, 0},
    };
    for (const RotationCase& c : cases) {
        EXPECT_NEAR(gridRotationDeg(c.a, c.b), c.degrees, 1e-6) << c.name;
    }
}

TEST(QformSform, DisagreementIsTheLargestCornerDistanceWhenBothAreSet) {
    NiftiImage image = phantomImage(obliqueGrid(4, 4, 4, {2, 2, 2}, {0, 0, 0}, {0, 0, 0}), Contrast::kT1, 0);
    EXPECT_FALSE(qformSformDisagreementMm(image).has_value()); // sform only
    image.geometry.qformCode = 1;
    // Identity quaternion, voxel sizes 2, offset at the sform's origin moved by 3 mm along x.
    image.geometry.pixdim[0] = 1;
    image.geometry.qoffsetX = image.geometry.srowX[3] + 3;
    image.geometry.qoffsetY = image.geometry.srowY[3];
    image.geometry.qoffsetZ = image.geometry.srowZ[3];
    ASSERT_TRUE(qformSformDisagreementMm(image).has_value());
    EXPECT_NEAR(*qformSformDisagreementMm(image), 3.0, 1e-5);
    image.geometry.pixdim[3] = 3; // slices 3 mm apart in the qform: the far corners differ by 3 more along z
    EXPECT_NEAR(*qformSformDisagreementMm(image), std::sqrt(9.0 + 9.0), 1e-5);
}

TEST(HeaderOverlap, CountsFunctionalVoxelsWhoseCentresLieInTheAnatomical) {
    const NiftiImage anatomical =
        phantomImage(obliqueGrid(20, 20, 20, {1, 1, 1}, {0, 0, 0}, {0, 0, 0}), Contrast::kT1, 0);
    struct {
        double shiftMm;
        long long overlap;
    } cases[] = {{0, 1000}, {5, 700}, {9, 500}, {18, 100}, {19, 0}, {-30, 0}};
    for (const auto& c : cases) {
        const NiftiImage functional =
            phantomImage(obliqueGrid(10, 10, 10, {2, 2, 2}, {c.shiftMm, 0, 0}, {0, 0, 0}), Contrast::kEpi, 0);
        const HeaderComparison h = compareHeaders(anatomical, functional);
        EXPECT_EQ(h.overlapVoxels, c.overlap) << c.shiftMm;
        EXPECT_NEAR(h.insidePct, c.overlap / 10.0, 1e-9);
        EXPECT_NEAR(h.centreDistanceMm, std::fabs(c.shiftMm), 1e-9);
        EXPECT_TRUE(h.handednessMatches);
    }
}

} // namespace
