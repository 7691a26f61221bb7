// The alignment check's measure: a local Pearson correlation of the functional with the anatomy, over
// blocks of about 12 mm of the functional's own grid, at the functional's voxels inside its eroded brain.
// An EPI and an anatomical differ in contrast by a smooth, roughly monotone map within a small block (CSF
// bright and white matter dark in T2*-weighted EPI, the reverse in T1), but the map drifts over the head
// with coil shading and signal loss; a block-wise correlation follows the drift where one global measure
// (mutual information, a global correlation) is pulled by it. Blocks are weighted by their voxel count, and
// voxels that fall outside the anatomical count as zero, so moving the functional out of view never pays.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_LOCAL_CORRELATION_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_LOCAL_CORRELATION_H

#include <cstdint>
#include <memory>
#include <vector>

#include "host/alignment_check/brain_mask.h"
#include "host/alignment_check/check_grid.h"
#include "host/alignment_check/head_information.h"

// The anatomy at one resolution, for trilinear sampling (non-finite samples stored as 0). Levels that
// sample the anatomy at its own resolution share one copy of it.
struct AnatomyLevel {
    int nx = 0, ny = 0, nz = 0;
    std::shared_ptr<const std::vector<float>> values;
    Matrix4d worldToVoxel = identityMatrix();
};

// Functional samples at one resolution: voxel positions of the level's grid, their values and blocks.
struct BlockSamples {
    std::vector<float> x, y, z, value;
    std::vector<uint32_t> block;
    size_t blockCount = 0;
    Matrix4d voxelToWorld = identityMatrix(); // of the grid the positions index
};

// One resolution level of the search.
struct CorrelationLevel {
    AnatomyLevel anatomy;
    BlockSamples samples;
    double spacingMm = 0;  // the functional's voxel size on this level (largest axis)
    HeadInformation head;  // the whole-head measure, added on the finest level only
    double headWeight = 0; // its weight against the local correlation
};

// The value of the measure at one placement.
struct CorrelationValue {
    double value = 0;         // block correlations weighted by voxel count, over all samples: -1..1
    double standardError = 0; // of that weighted mean, from the spread of the block correlations
    double insideShare = 0;   // share of the samples that fell inside the anatomical
};

// The measure with the functional samples moved by placement (world mm, acting after their own affine).
// scratch is reused between calls (one per thread).
CorrelationValue localCorrelation(const CorrelationLevel& level, const Matrix4d& placement,
                                  std::vector<double>& scratch);

// As localCorrelation, and each block's share of the value (its weighted correlation over all samples; 0
// for blocks left out) in contributions (resized to the level's block count).
CorrelationValue localCorrelation(const CorrelationLevel& level, const Matrix4d& placement,
                                  std::vector<double>& scratch, std::vector<double>& contributions);

// Levels from coarse to fine at about the given functional spacings (mm; the finest is the functional's
// own grid), the functional sampled inside mask (one flag per functional voxel), at most about maxSamples
// per level and maxCoarsestSamples on the coarsest (which scores the many starts). The anatomy's samples
// are taken over (the levels at its own resolution keep them), not copied.
std::vector<CorrelationLevel> correlationLevels(ScalarGrid anatomy, const ScalarGrid& functional,
                                                const VoxelMask& mask, const std::vector<double>& spacingsMm,
                                                double blockMm, size_t maxSamples, size_t maxCoarsestSamples);

#endif
