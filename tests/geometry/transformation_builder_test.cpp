// The slice-order flip rule and the composed VMR-to-FMR matrix with its factors.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "geometry/matrix4.h"
#include "geometry/transformation_builder.h"

namespace {

ScannerPositionHeader slicePositions(float firstX, float firstY, float firstZ, float lastX, float lastY,
                                     float lastZ) {
    ScannerPositionHeader p;
    std::memset(&p, 0, sizeof p);
    p.firstSliceCenterX = firstX;
    p.firstSliceCenterY = firstY;
    p.firstSliceCenterZ = firstZ;
    p.lastSliceCenterX = lastX;
    p.lastSliceCenterY = lastY;
    p.lastSliceCenterZ = lastZ;
    return p;
}

struct FlipCase {
    float dX, dY, dZ;
    float expectedX, expectedZ; // F[0][0], F[2][2]
};

TEST(SliceOrderFlip, DominantAxisAndSignDecide) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const FlipCase cases[] = {
        {10, 0, 0, -1, 1},     {-10, 0, 0, 1, 1},   // along x: mirrored when x decreases
        {0, 0, -30, 1, -1},    {0, 0, 30, 1, 1},    // along z: mirrored when first is below last
        {1, 30, -0.5f, 1, -1}, {1, 30, 0.5f, 1, 1}, // dominant y selects the z rule, dX > 0 ignored
        {5, 0, -5, -1, 1},                          // tie goes to the x rule
        {0, 0, 0, 1, 1},       {nan, 0, 0, 1, 1},   // no difference, or not a number: identity
        {0, nan, -5, 1, -1},
    };
    for (const FlipCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dX << " " << c.dY << " " << c.dZ);
        // Differences are first minus last; put them on top of a non-zero base position.
        Matrix4 flip;
        buildSliceOrderFlip(slicePositions(100 + c.dX, -50 + c.dY, 20 + c.dZ, 100, -50, 20), flip);
        Matrix4 expected;
        setIdentity(expected);
        expected.m[0] = c.expectedX;
        expected.m[10] = c.expectedZ;
        for (int k = 0; k < 16; ++k)
            EXPECT_EQ(expected.m[k], flip.m[k]) << k;
    }
}

struct BuilderInputs {
    FmrHeader fmr;
    ScannerPositionHeader position;
    VmrHeader vmr;
    Matrix4 flip;
    IaMatrix ia;
};

BuilderInputs isotropicInputs(float vmrVoxel, float fmrVoxel) {
    BuilderInputs in;
    std::memset(&in, 0, sizeof in);
    in.fmr.voxelSizeX = in.fmr.voxelSizeY = in.fmr.voxelSizeZ = fmrVoxel;
    in.vmr.voxelSizeX = in.vmr.voxelSizeY = in.vmr.voxelSizeZ = vmrVoxel;
    in.position = slicePositions(3, 4, 5, 3, 4, 5);
    setIdentity(in.flip);
    for (int k = 0; k < 16; ++k)
        in.ia.s[k] = k % 5 == 0 ? 1.0f : 0.0f;
    return in;
}

VmrToFmrFactors build(const BuilderInputs& in) {
    return buildVmrToFmrMatrix(in.fmr, in.position, in.vmr, in.flip, in.ia);
}

void expectMatrix(const float (&expected)[16], const Matrix4& actual) {
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(expected[k], actual.m[k]) << "element " << k;
}

const float kHalves[16] = {0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1};
const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

TEST(TransformationBuilder, IdentityRecordsGiveTheVoxelSizeRatio) {
    VmrToFmrFactors factors = build(isotropicInputs(1, 2));
    expectMatrix(kHalves, factors.result);
    expectMatrix(kIdentity, factors.sliceFlip);
    expectMatrix(kHalves, factors.fmrInverseScaling);
    expectMatrix(kIdentity, factors.vmrScaling);
    EXPECT_FALSE(factors.pastIncorporated);
    expectMatrix(kIdentity, factors.pastTransformation);
}

TEST(TransformationBuilder, PastTransformationCountsOnlyWithANonUnitDiagonal) {
    // Off-diagonal and translation values alone leave the past transformation out entirely.
    BuilderInputs in = isotropicInputs(1, 2);
    in.flip.m[3] = 17;
    in.flip.m[1] = 0.25f;
    VmrToFmrFactors ignored = build(in);
    EXPECT_FALSE(ignored.pastIncorporated);
    expectMatrix(kIdentity, ignored.pastTransformation);
    expectMatrix(kHalves, ignored.result);

    // A mirrored past transformation is kept as received and enters as F * T: with the slice flip
    // F = diag(-1, 1, 1, 1) it cancels on x, its translation is mirrored, and F applies once more on the
    // left.
    in = isotropicInputs(1, 2);
    in.position = slicePositions(10, 0, 0, 0, 0, 0);
    in.flip.m[0] = -1;
    in.flip.m[3] = 5;
    VmrToFmrFactors mirrored = build(in);
    EXPECT_TRUE(mirrored.pastIncorporated);
    expectMatrix({-1, 0, 0, 5, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, mirrored.pastFlip);
    expectMatrix({1, 0, 0, -5, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, mirrored.pastTransformation);
    expectMatrix({-0.5f, 0, 0, 2.5f, 0, 0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1}, mirrored.result);

    // A NaN on the diagonal counts as different from 1.
    in = isotropicInputs(1, 2);
    in.flip.m[5] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(build(in).pastIncorporated);
}

TEST(TransformationBuilder, AlignmentAndScalingCompose) {
    // Stored translation (s3, s7, s11) enters negated and in VMR millimetres, s12..s14 as they stand; the
    // VMR voxel size scales the columns, the FMR voxel size divides the rows.
    BuilderInputs in = isotropicInputs(2, 4);
    in.vmr.voxelSizeY = 1;
    in.ia.s[3] = 8;
    in.ia.s[13] = 12;
    expectMatrix({0.5f, 0, 0, -2, 0, 0.25f, 0, 3, 0, 0, 0.5f, 0, 0, 0, 0, 1}, build(in).result);

    // A zero voxel size shows as an infinity in the factor; 0 * inf in the products makes the result
    // non-finite.
    VmrToFmrFactors zero = build(isotropicInputs(1, 0));
    EXPECT_EQ(std::numeric_limits<float>::infinity(), zero.fmrInverseScaling.m[0]);
    EXPECT_FALSE(std::isfinite(zero.result.m[0]));
    EXPECT_TRUE(std::isnan(zero.result.m[1]));
}

} // namespace
