// The baseline kernels, the shared mapping-2 loop and the choice of path.
#include "projection/walk_kernels.h"

#include <stdlib.h>
#include <string.h>

#include "platform/cpu_features.h"
#include "projection/voxel_steps.h"

namespace {

unsigned char* vmrRow(unsigned char* voxels, const VoxelWalk& walk, int32_t y, int32_t z) {
    return voxels + voxelOffset(0, y, z, walk.walkedSize);
}

FmrPaintSums paintFmrIntoVmrBaseline(const VoxelWalk& walk, unsigned char* vmrVoxels,
                                     const float* fmrValues) {
    FmrPaintSums sums = {0.0f, 0.0f, 0.0f, 0.0f};
    const bool near = walkRoundsNear(walk);
    WalkRow row;
    for (int32_t z = 0; z < walk.walkedSize.z; ++z) {
        if (!walkPlaneMayBeInside(walk, z)) {
            continue;
        }
        for (int32_t y = 0; y < walk.walkedSize.y; ++y) {
            prepareWalkRow(walk, y, z, &row);
            unsigned char* bytes = vmrRow(vmrVoxels, walk, y, z);
            for (int32_t x = row.begin; x < row.end; ++x) {
                paintAndSumVoxel(&bytes[x], fmrValues[rowTargetElement(row, x, near)], &sums);
            }
        }
    }
    return sums;
}

void paintTwoFmrsIntoVmrBaseline(const VoxelWalk& walk1, const VoxelWalk& walk2, unsigned char* vmrVoxels,
                                 float* fmrValues1, const float* fmrValues2) {
    const bool near1 = walkRoundsNear(walk1), near2 = walkRoundsNear(walk2);
    PairRow row;
    for (int32_t z = 0; z < walk1.walkedSize.z; ++z) {
        if (!walkPlaneMayBeInside(walk1, z)) {
            continue;
        }
        for (int32_t y = 0; y < walk1.walkedSize.y; ++y) {
            if (!preparePairRow(walk1, walk2, y, z, &row)) {
                continue;
            }
            unsigned char* bytes = vmrRow(vmrVoxels, walk1, y, z);
            for (int32_t x = row.first.begin; x < row.first.end; ++x) {
                paintPairRowVoxel(row, x, near1, near2, &bytes[x], fmrValues1, fmrValues2);
            }
        }
    }
}

FmrPairSums compareTwoFmrsBaseline(const VoxelWalk& walk1, const VoxelWalk& walk2, const float* fmrValues1,
                                   const float* fmrValues2) {
    FmrPairSums sums = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0};
    const bool near1 = walkRoundsNear(walk1), near2 = walkRoundsNear(walk2);
    PairRow row;
    for (int32_t z = 0; z < walk1.walkedSize.z; ++z) {
        if (!walkPlaneMayBeInside(walk1, z)) {
            continue;
        }
        for (int32_t y = 0; y < walk1.walkedSize.y; ++y) {
            if (!preparePairRow(walk1, walk2, y, z, &row)) {
                continue;
            }
            for (int32_t x = row.bothBegin; x < row.bothEnd; ++x) {
                addPairRowVoxel(row, x, near1, near2, fmrValues1, fmrValues2, &sums);
            }
            sums.pairs += row.bothEnd > row.bothBegin ? row.bothEnd - row.bothBegin : 0;
        }
    }
    return sums;
}

// True when the AVX2 kernels may run for these walks.
bool avx2Usable(KernelPath path, const VoxelWalk& walk1, const VoxelWalk& walk2) {
#if POSALIGN_AVX2_KERNELS
    return path == kAvx2Kernels && cpuSupportsAvx2() && walkRoundsNear(walk1) && walkRoundsNear(walk2);
#else
    (void)path, (void)walk1, (void)walk2;
    return false;
#endif
}

} // namespace

KernelPath activeKernelPath(void) {
    static int chosen = -1;
    if (chosen < 0) {
        const char* forced = getenv("POSALIGN_KERNELS");
        const bool baseline = forced != 0 && strcmp(forced, "baseline") == 0;
        chosen = !baseline && cpuSupportsAvx2() ? kAvx2Kernels : kBaselineKernels;
    }
    return static_cast<KernelPath>(chosen);
}

FmrPaintSums paintFmrIntoVmr(KernelPath path, const VoxelWalk& walk, unsigned char* vmrVoxels,
                             const float* fmrValues) {
#if POSALIGN_AVX2_KERNELS
    if (avx2Usable(path, walk, walk)) {
        return paintFmrIntoVmrAvx2(walk, vmrVoxels, fmrValues);
    }
#endif
    (void)path;
    return paintFmrIntoVmrBaseline(walk, vmrVoxels, fmrValues);
}

void paintTwoFmrsIntoVmr(KernelPath path, const VoxelWalk& walk1, const VoxelWalk& walk2,
                         unsigned char* vmrVoxels, float* fmrValues1, const float* fmrValues2) {
#if POSALIGN_AVX2_KERNELS
    if (avx2Usable(path, walk1, walk2)) {
        paintTwoFmrsIntoVmrAvx2(walk1, walk2, vmrVoxels, fmrValues1, fmrValues2);
        return;
    }
#endif
    paintTwoFmrsIntoVmrBaseline(walk1, walk2, vmrVoxels, fmrValues1, fmrValues2);
}

FmrPairSums compareTwoFmrs(KernelPath path, const VoxelWalk& walk1, const VoxelWalk& walk2,
                           const float* fmrValues1, const float* fmrValues2) {
#if POSALIGN_AVX2_KERNELS
    if (avx2Usable(path, walk1, walk2)) {
        return compareTwoFmrsAvx2(walk1, walk2, fmrValues1, fmrValues2);
    }
#endif
    return compareTwoFmrsBaseline(walk1, walk2, fmrValues1, fmrValues2);
}

void sampleVmrIntoFmr(const VoxelWalk& walk, const unsigned char* vmrVoxels, float* fmrValues) {
    const bool near = walkRoundsNear(walk);
    WalkRow row;
    for (int32_t z = 0; z < walk.walkedSize.z; ++z) {
        if (!walkPlaneMayBeInside(walk, z)) {
            continue;
        }
        for (int32_t y = 0; y < walk.walkedSize.y; ++y) {
            prepareWalkRow(walk, y, z, &row);
            float* samples = fmrValues + voxelOffset(0, y, z, walk.walkedSize);
            for (int32_t x = row.begin; x < row.end; ++x) {
                samples[x] = static_cast<float>(vmrVoxels[rowTargetElement(row, x, near)]) * 3.0f;
            }
        }
    }
}
