// The functional's brain, where the alignment check compares it with the anatomy: the foreground of its
// temporal mean (Otsu's threshold), its largest connected part with the holes filled, eroded so that the
// blocks compared lie inside the brain rather than on its edge (where the two contrasts' edges correlate
// with the sign opposite to the brain's inside and pull the match off).
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_BRAIN_MASK_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_BRAIN_MASK_H

#include <cstdint>
#include <vector>

#include "host/alignment_check/check_grid.h"

// One flag per voxel of a grid, x fastest.
struct VoxelMask {
    std::vector<uint8_t> inside;
    double erodedMm = 0; // the erosion applied (smaller than asked when the asked one left too little)
};

// The brain of grid, eroded by about erosionMm (less when that would keep under a quarter of it). Empty
// (all zero) when the grid has no finite sample or is constant.
VoxelMask brainMask(const ScalarGrid& grid, double erosionMm);

// Otsu's threshold of the finite samples (the one that best splits them into two classes).
float otsuThreshold(const std::vector<float>& values);

#endif
