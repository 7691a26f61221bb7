// The check's grids: temporal means leave out non-finite samples, block averages keep each voxel at its
// block's centre, and intensities fall into bins clamped at both ends.
#include <gtest/gtest.h>

#include <cmath>

#include "host/alignment_check/check_grid.h"

namespace {

TEST(TemporalMean, AveragesTheFiniteSamplesOfEachVoxel) {
    NiftiImage image;
    image.nx = 3;
    image.ny = image.nz = 1;
    image.nt = 2;
    image.voxelToWorld = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1};
    image.floatSamples = {1, NAN, INFINITY, 3, 5, NAN}; // volume 0, then volume 1
    const ScalarGrid mean = temporalMean(image);
    EXPECT_EQ(mean.values[0], 2.0f);
    EXPECT_EQ(mean.values[1], 5.0f);
    EXPECT_TRUE(std::isnan(mean.values[2]));
    image.isInt16 = true;
    image.int16Samples = {-4, 10, 7, 0, 20, 7};
    EXPECT_EQ(temporalMean(image).values, (std::vector<float>{-2, 15, 7}));
}

TEST(AverageBlocks, KeepsEachNewVoxelAtItsBlocksCentre) {
    ScalarGrid grid;
    grid.nx = 5;
    grid.ny = 2;
    grid.nz = 1;
    grid.values = {1, 3, 5, 7, 9, 2, 4, NAN, 8, 10};
    grid.voxelToWorld[0][0] = 1.5; // 1.5 mm voxels along x, origin at 10 mm
    grid.voxelToWorld[0][3] = 10;
    const ScalarGrid out = averageBlocks(grid, {2, 2, 1});
    ASSERT_EQ(out.nx, 3);
    ASSERT_EQ(out.ny, 1);
    EXPECT_EQ(out.values,
              (std::vector<float>{2.5f, 20.0f / 3.0f, 9.5f})); // the NaN left out, last block partial
    EXPECT_DOUBLE_EQ(transformPoint(out.voxelToWorld, {0, 0, 0})[0], 10.75); // between voxels 0 and 1
    EXPECT_DOUBLE_EQ(transformPoint(out.voxelToWorld, {1, 0, 0})[0], 13.75);
    EXPECT_DOUBLE_EQ(transformPoint(out.voxelToWorld, {0, 0, 0})[1], 0.5);
    EXPECT_EQ(blockFactorsFor(grid, 8.0), (std::array<int, 3>{5, 2, 1})); // never beyond the grid
    EXPECT_EQ(blockFactorsFor(grid, 4.0), (std::array<int, 3>{3, 2, 1}));
}

TEST(IntensityBins, ClampAtBothEndsAndPutNonFiniteValuesInTheFirst) {
    const IntensityRange range{10, 50};
    struct {
        float value;
        int bin;
    } cases[] = {{-5, 0},    {10, 0}, {14.9f, 0}, {15, 1},  {34.9f, 4},
                 {49.9f, 7}, {50, 7}, {900, 7},   {NAN, 0}, {-INFINITY, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(binOf(c.value, range, 8), c.bin) << c.value;
    }
    EXPECT_EQ(binOf(30, IntensityRange{3, 3}, 8), 0); // a constant image
}

} // namespace
