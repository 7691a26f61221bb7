// The number of voxels of one FMR volume, checked before anything is allocated for it.
#ifndef POSALIGN_COMMAND_VOXEL_COUNT_H
#define POSALIGN_COMMAND_VOXEL_COUNT_H

#include <stdint.h>

#include "host_api/host_records.h"

enum VoxelCountStatus {
    kVoxelCountValid,
    kVoxelCountNegativeDimension, // some dimension of the header is below 0
    kVoxelCountTooLarge           // dimX*dimY*dimZ does not fit a signed 32-bit count
};

// Writes dimX*dimY*dimZ into count when every dimension is at least 0 and the product fits a signed 32-bit
// integer (a zero dimension gives 0); otherwise count is left alone and the reason is returned.
VoxelCountStatus fmrVoxelCount(const FmrHeader& header, int32_t& count);

#endif
