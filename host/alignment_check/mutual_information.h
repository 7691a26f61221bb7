// Normalised mutual information of a functional against an anatomical, from a small joint histogram of
// intensity bins filled by partial-volume interpolation: each functional sample spreads its weight over the
// bins of the eight anatomical voxels around the point it maps to, with the trilinear weights. The measure
// then changes smoothly with sub-voxel motion, which lets a local search settle below the voxel size.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_MUTUAL_INFORMATION_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_MUTUAL_INFORMATION_H

#include <cstdint>
#include <vector>

#include "host/alignment_check/voxel_mapping.h"
#include "host/alignment_check/world_matrix.h"

// An anatomical at one resolution as intensity bins, x fastest.
struct BinnedGrid {
    int nx = 0, ny = 0, nz = 0;
    std::vector<uint8_t> bins;
    Matrix4d worldToVoxel = identityMatrix();
};

// Functional samples: voxel positions of a grid and their intensity bins.
struct SampleSet {
    std::vector<float> x, y, z;
    std::vector<uint8_t> bins;
    Matrix4d voxelToWorld = identityMatrix(); // of the grid the positions index
};

// Calls visit(sample index, the 8 anatomical bins around the point the sample maps to, their trilinear
// weights) for every sample that lands inside the anatomical when placed by placement (world mm, acting
// after the samples' own affine); returns how many did. An axis of one voxel takes positions within half a
// voxel of it.
template <typename Visit>
size_t visitMappedSamples(const BinnedGrid& anatomical, const SampleSet& samples, const Matrix4d& placement,
                          Visit visit);

// A measure value and the share of samples (0..1) that fell inside the anatomical.
struct MeasureValue {
    double nmi = 1.0;
    double insideShare = 0.0;
};

// (H(anatomical) + H(functional)) / H(joint), 1 (no shared information) .. 2, of the samples moved by
// correction (world mm, acting after the samples' own affine). 1 when no sample lands inside or both sides
// are constant. histogram is scratch space (resized to bins*bins).
MeasureValue normalisedMutualInformation(const BinnedGrid& anatomical, const SampleSet& samples,
                                         const Matrix4d& correction, int bins,
                                         std::vector<double>& histogram);

template <typename Visit>
size_t visitMappedSamples(const BinnedGrid& anatomical, const SampleSet& samples, const Matrix4d& placement,
                          Visit visit) {
    const VoxelMapping map = voxelMapping(anatomical.worldToVoxel, placement, samples.voxelToWorld,
                                          anatomical.nx, anatomical.ny, anatomical.nz);
    const size_t sx = map.sx, sy = map.sy, sz = map.sz;
    const size_t offsets[8] = {0, sx, sy, sx + sy, sz, sx + sz, sy + sz, sx + sy + sz};
    // Hands visit the eight bins around the sample's point and their trilinear weights.
    auto visitCorners = [&](size_t s, size_t cell, float fx, float fy, float fz) {
        const uint8_t* corner = anatomical.bins.data() + cell;
        const float gx = 1.0f - fx, gy = 1.0f - fy, gz = 1.0f - fz;
        const uint8_t a[8] = {corner[offsets[0]], corner[offsets[1]], corner[offsets[2]], corner[offsets[3]],
                              corner[offsets[4]], corner[offsets[5]], corner[offsets[6]], corner[offsets[7]]};
        const float w[8] = {gx * gy * gz, fx * gy * gz, gx * fy * gz, fx * fy * gz,
                            gx * gy * fz, fx * gy * fz, gx * fy * fz, fx * fy * fz};
        visit(s, a, w);
    };
    return visitMappedCells(map, samples.x.data(), samples.y.data(), samples.z.data(), samples.bins.size(),
                            visitCorners);
}

#endif
