// The voxel loops of the three projections as functions of the grids alone, in two builds: a baseline one
// for every x86-64 processor and an AVX2 one that forms eight voxels' indices and products at a time.
// Both form every number as the straightforward loops do - same products, same rounding, sums added one
// voxel after another in walk order - so both give the same bytes, samples and sum bits.
#ifndef POSALIGN_PROJECTION_WALK_KERNELS_H
#define POSALIGN_PROJECTION_WALK_KERNELS_H

#include <stdint.h>

#include "projection/voxel_walk.h"

// The AVX2 kernels exist in x86-64 builds only.
#if defined(__x86_64__) || defined(_M_X64)
#define POSALIGN_AVX2_KERNELS 1
#else
#define POSALIGN_AVX2_KERNELS 0
#endif

enum KernelPath {
    kBaselineKernels, // x86-64 baseline instructions only
    kAvx2Kernels,     // AVX2; runs the baseline kernels where the processor or system lacks it
};

// The path the projections use: AVX2 when cpuSupportsAvx2(), unless the environment variable
// POSALIGN_KERNELS is "baseline" (read once), which forces the baseline kernels.
KernelPath activeKernelPath(void);

// Mapping 1's sums: SSD of the FMR against the unpainted bytes; VMR.VMR, VMR.FMR, FMR.FMR after painting.
struct FmrPaintSums {
    float ssd, svv, svf, sff;
};

// Mapping 3's sums over the VMR voxels inside both FMRs (a from FMR 1, b from FMR 2).
struct FmrPairSums {
    float sa, saa, sb, sbb, sab, ssd;
    int64_t pairs;
};

// Both passes of mapping 1 in one walk of the VMR (walk: VMR into FMR): paints each inside voxel by the
// write rule and sums as the two passes would; a voxel's byte is changed only by itself, before the second
// pass would read it, so one walk gives the same numbers.
FmrPaintSums paintFmrIntoVmr(KernelPath path, const VoxelWalk& walk, unsigned char* vmrVoxels,
                             const float* fmrValues);

// Pass 1 of mapping 3: paints FMR 1 then FMR 2 into the VMR and copies FMR 2 values that paint into FMR 1,
// voxel after voxel, so later voxels read what earlier ones copied. Both walks walk the same VMR.
void paintTwoFmrsIntoVmr(KernelPath path, const VoxelWalk& walk1, const VoxelWalk& walk2,
                         unsigned char* vmrVoxels, float* fmrValues1, const float* fmrValues2);

// Pass 2 of mapping 3: the sums over the VMR voxels inside both FMRs.
FmrPairSums compareTwoFmrs(KernelPath path, const VoxelWalk& walk1, const VoxelWalk& walk2,
                           const float* fmrValues1, const float* fmrValues2);

// Mapping 2 (walk: FMR into VMR): every FMR element whose voxel lies inside the VMR becomes three times
// the VMR byte there. Few voxels, so both paths share one loop.
void sampleVmrIntoFmr(const VoxelWalk& walk, const unsigned char* vmrVoxels, float* fmrValues);

#if POSALIGN_AVX2_KERNELS
// The AVX2 builds of the kernels above; only called when cpuSupportsAvx2() and walkRoundsNear().
FmrPaintSums paintFmrIntoVmrAvx2(const VoxelWalk& walk, unsigned char* vmrVoxels, const float* fmrValues);
void paintTwoFmrsIntoVmrAvx2(const VoxelWalk& walk1, const VoxelWalk& walk2, unsigned char* vmrVoxels,
                             float* fmrValues1, const float* fmrValues2);
FmrPairSums compareTwoFmrsAvx2(const VoxelWalk& walk1, const VoxelWalk& walk2, const float* fmrValues1,
                               const float* fmrValues2);
#endif

#endif
