// Checked voxel count of an FMR header.
#include "command/voxel_count.h"

VoxelCountStatus fmrVoxelCount(const FmrHeader& header, int32_t& count) {
    if (header.dimX < 0 || header.dimY < 0 || header.dimZ < 0) {
        return kVoxelCountNegativeDimension;
    }
    if (header.dimX == 0 || header.dimY == 0 || header.dimZ == 0) {
        count = 0;
        return kVoxelCountValid;
    }
    // Two factors below 2^31 multiply to below 2^62, so each step fits 64 bits before it is checked.
    int64_t columnsTimesRows = (int64_t)header.dimX * (int64_t)header.dimY;
    if (columnsTimesRows > INT32_MAX) {
        return kVoxelCountTooLarge;
    }
    int64_t total = columnsTimesRows * (int64_t)header.dimZ;
    if (total > INT32_MAX) {
        return kVoxelCountTooLarge;
    }
    count = (int32_t)total;
    return kVoxelCountValid;
}
