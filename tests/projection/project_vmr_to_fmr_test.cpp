// Mapping 2 on small grids: the FMR volume receives three times the nearest VMR byte where it overlaps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "projection/projections.h"
#include "tests/projection/projection_scenario.h"

namespace {

// Runs the projection and returns the matrix it mapped FMR voxels with.
Matrix4 project(const VmrDocument& vmr, FmrDocument& fmr) {
    return projectVmrToFmr(vmr.bytes.data(), vmr.header, vmr.flip, fmr.volume, fmr.header, fmr.position,
                           fmr.ia)
        .fmrToVmr;
}

TEST(ProjectVmrToFmr, IdentityMappingTriplesEveryByteWithoutThreshold) {
    VmrDocument vmr(2, 2, 2, 1, {0, 1, 7, 20, 21, 100, 254, 255});
    FmrDocument fmr(2, 2, 2, 1, std::vector<float>(8, 99));
    project(vmr, fmr);
    EXPECT_EQ((std::vector<float>{0, 3, 21, 60, 63, 300, 762, 765}), fmr.values);
    EXPECT_EQ(std::vector<unsigned char>({0, 1, 7, 20, 21, 100, 254, 255}), vmr.bytes);
}

TEST(ProjectVmrToFmr, CoarseFmrSamplesTheNearestVmrVoxel) {
    // FMR voxels of 2 mm over a 4 x 4 x 4 VMR of 1 mm: the inverted matrix is diag(2, 2, 2, 1), and FMR
    // index i lands on VMR index 2i + 1 (centred +-0.5 -> +-1, plus 1.5, rounded up from the tie).
    std::vector<unsigned char> bytes(64);
    for (int k = 0; k < 64; ++k)
        bytes[k] = static_cast<unsigned char>(k);
    VmrDocument vmr(4, 4, 4, 1, bytes);
    FmrDocument fmr(2, 2, 2, 2, {});
    const Matrix4 fmrToVmr = project(vmr, fmr);
    const Matrix4 doubled = {{2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1}};
    EXPECT_EQ(0, std::memcmp(&doubled, &fmrToVmr, sizeof doubled));
    std::vector<float> expected;
    for (int k = 0; k < 2; ++k)
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 2; ++i)
                expected.push_back(3.0f * ((2 * i + 1) + 4 * ((2 * j + 1) + 4 * (2 * k + 1))));
    EXPECT_EQ(expected, fmr.values);
}

TEST(ProjectVmrToFmr, VoxelsOutsideTheVmrKeepTheirValues) {
    // A 4-voxel FMR row over a 2-voxel VMR row of the same voxel size: FMR x maps to x - 1.
    VmrDocument vmr(2, 1, 1, 1, {10, 255});
    FmrDocument fmr(4, 1, 1, 1, {11, 12, 13, 14});
    project(vmr, fmr);
    EXPECT_EQ((std::vector<float>{11, 30, 765, 14}), fmr.values);
}

TEST(ProjectVmrToFmr, MappedCoordinatesOnHalfTiesRoundUp) {
    // VMR voxels of 2 mm, FMR voxels of 1 mm: FMR x of a 5-voxel row maps to (x - 2) * 0.5 + 0.5, that is
    // -0.5 (inside, VMR 0), 0, 0.5 (VMR 1), 1 and 1.5 = Vx - 0.5 (outside).
    VmrDocument vmr(2, 1, 1, 2, {4, 5});
    FmrDocument fmr(5, 1, 1, 1, {1, 2, 3, 4, 5});
    project(vmr, fmr);
    EXPECT_EQ((std::vector<float>{12, 12, 15, 15, 5}), fmr.values);
}

TEST(ProjectVmrToFmr, MatrixThatCannotBeInvertedLeavesTheVolumeUnchanged) {
    VmrDocument vmr(2, 2, 2, 1, std::vector<unsigned char>(8, 50));
    vmr.header.voxelSizeX = std::numeric_limits<float>::quiet_NaN();
    FmrDocument fmr(2, 2, 2, 1, {1, 2, 3, 4, 5, 6, 7, 8});
    const Matrix4 fmrToVmr = project(vmr, fmr);
    EXPECT_EQ((std::vector<float>{1, 2, 3, 4, 5, 6, 7, 8}), fmr.values);
    for (float element : fmrToVmr.m)
        EXPECT_TRUE(std::isnan(element));
}

TEST(ProjectVmrToFmr, EmptyFmrVisitsNothing) {
    VmrDocument vmr(2, 2, 2, 1, std::vector<unsigned char>(8, 50));
    FmrDocument fmr(0, 2, 2, 1, {});
    project(vmr, fmr);
    EXPECT_TRUE(fmr.values.empty());
}

} // namespace
