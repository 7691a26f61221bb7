// The checked voxel count of an FMR header.
#include <gtest/gtest.h>

#include "command/voxel_count.h"

namespace {

TEST(VoxelCount, RefusesNegativeAndOversizedGrids) {
    struct Case {
        int x, y, z;
        VoxelCountStatus status;
        int32_t count;
    };
    const Case cases[] = {
        {64, 64, 30, kVoxelCountValid, 122880},
        {0, 64, 30, kVoxelCountValid, 0},
        {2147483647, 2147483647, 0, kVoxelCountValid, 0},
        {2147483647, 1, 1, kVoxelCountValid, 2147483647},
        {-1, 64, 30, kVoxelCountNegativeDimension, -7},
        {64, 64, -30, kVoxelCountNegativeDimension, -7},
        {2048, 2048, 512, kVoxelCountTooLarge, -7},
        {1024, 1024, 2048, kVoxelCountTooLarge, -7},
        {2147483647, 2147483647, 2147483647, kVoxelCountTooLarge, -7},
        {65536, 65536, 1, kVoxelCountTooLarge, -7},
    };
    for (const Case& c : cases) {
        FmrHeader header{};
        header.dimX = c.x;
        header.dimY = c.y;
        header.dimZ = c.z;
        int32_t count = -7;
        EXPECT_EQ(fmrVoxelCount(header, count), c.status) << c.x << " " << c.y << " " << c.z;
        EXPECT_EQ(count, c.count);
    }
}

} // namespace
