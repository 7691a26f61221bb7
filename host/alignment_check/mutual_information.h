// Normalised mutual information of a functional against an anatomical, from a small joint histogram of
// intensity bins filled by partial-volume interpolation: each functional sample spreads its weight over the
// bins of the eight anatomical voxels around the point it maps to, with the trilinear weights. The measure
// then changes smoothly with sub-voxel motion, which lets a local search settle below the voxel size.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_MUTUAL_INFORMATION_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_MUTUAL_INFORMATION_H

#include <cstdint>
#include <vector>

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

// The lower voxel index and fraction of position p on an axis of n voxels; false when p is outside.
inline bool axisCell(float p, int n, int& index, float& fraction) {
    if (n == 1) {
        index = 0;
        fraction = 0.0f;
        return p >= -0.5f && p <= 0.5f;
    }
    if (!(p >= 0.0f && p < static_cast<float>(n - 1))) {
        return false;
    }
    index = static_cast<int>(p);
    fraction = p - static_cast<float>(index);
    return true;
}

template <typename Visit>
size_t visitMappedSamples(const BinnedGrid& anatomical, const SampleSet& samples, const Matrix4d& placement,
                          Visit visit) {
    const Matrix4d toVoxel = multiply(anatomical.worldToVoxel, multiply(placement, samples.voxelToWorld));
    float m[3][4];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 4; ++j) {
            m[i][j] = static_cast<float>(toVoxel[i][j]);
        }
    }
    const int nx = anatomical.nx, ny = anatomical.ny, nz = anatomical.nz;
    const size_t sx = nx > 1 ? 1 : 0;
    const size_t sy = ny > 1 ? static_cast<size_t>(nx) : 0;
    const size_t sz = nz > 1 ? static_cast<size_t>(nx) * ny : 0;
    const size_t offsets[8] = {0, sx, sy, sx + sy, sz, sx + sz, sy + sz, sx + sy + sz};
    size_t inside = 0;
    const size_t count = samples.bins.size();
    for (size_t s = 0; s < count; ++s) {
        const float x = samples.x[s], y = samples.y[s], z = samples.z[s];
        int ix, iy, iz;
        float fx, fy, fz;
        if (!axisCell(m[0][0] * x + m[0][1] * y + m[0][2] * z + m[0][3], nx, ix, fx) ||
            !axisCell(m[1][0] * x + m[1][1] * y + m[1][2] * z + m[1][3], ny, iy, fy) ||
            !axisCell(m[2][0] * x + m[2][1] * y + m[2][2] * z + m[2][3], nz, iz, fz)) {
            continue;
        }
        ++inside;
        const uint8_t* corner =
            anatomical.bins.data() + ix + static_cast<size_t>(nx) * (iy + static_cast<size_t>(ny) * iz);
        const float gx = 1.0f - fx, gy = 1.0f - fy, gz = 1.0f - fz;
        const uint8_t a[8] = {corner[offsets[0]], corner[offsets[1]], corner[offsets[2]], corner[offsets[3]],
                              corner[offsets[4]], corner[offsets[5]], corner[offsets[6]], corner[offsets[7]]};
        const float w[8] = {gx * gy * gz, fx * gy * gz, gx * fy * gz, fx * fy * gz,
                            gx * gy * fz, fx * gy * fz, gx * fy * fz, fx * fy * fz};
        visit(s, a, w);
    }
    return inside;
}

#endif
