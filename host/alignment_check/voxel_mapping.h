// Where a functional sample lands in an anatomical grid, for the inner loops of the check's two measures: the
// placement folded with both grids' affines into one float matrix, and the strides from a cell's first corner
// to the others (0 along an axis of a single voxel, whose one plane serves as both corners).
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_VOXEL_MAPPING_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_VOXEL_MAPPING_H

#include <cstddef>

#include "host/alignment_check/world_matrix.h"

// Functional voxel positions to anatomical voxel positions, and the anatomical grid's size and strides.
struct VoxelMapping {
    float m[3][4];
    int nx, ny, nz;
    size_t sx, sy, sz;
};

// The mapping of samples on a grid with samplesVoxelToWorld, moved by placement (world mm), into an
// anatomical grid of nx x ny x nz voxels with worldToVoxel.
inline VoxelMapping voxelMapping(const Matrix4d& worldToVoxel, const Matrix4d& placement,
                                 const Matrix4d& samplesVoxelToWorld, int nx, int ny, int nz) {
    const Matrix4d toVoxel = multiply(worldToVoxel, multiply(placement, samplesVoxelToWorld));
    VoxelMapping map;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 4; ++j) {
            map.m[i][j] = static_cast<float>(toVoxel[i][j]);
        }
    }
    map.nx = nx;
    map.ny = ny;
    map.nz = nz;
    map.sx = nx > 1 ? 1 : 0;
    map.sy = ny > 1 ? static_cast<size_t>(nx) : 0;
    map.sz = nz > 1 ? static_cast<size_t>(nx) * ny : 0;
    return map;
}

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

// The anatomical cell that the sample at functional voxel (x, y, z) falls in: the index of its first corner
// and the fractions along each axis; false when it falls outside the anatomical.
inline bool mappedCell(const VoxelMapping& map, float x, float y, float z, size_t& corner, float& fx,
                       float& fy, float& fz) {
    int ix, iy, iz;
    if (!axisCell(map.m[0][0] * x + map.m[0][1] * y + map.m[0][2] * z + map.m[0][3], map.nx, ix, fx) ||
        !axisCell(map.m[1][0] * x + map.m[1][1] * y + map.m[1][2] * z + map.m[1][3], map.ny, iy, fy) ||
        !axisCell(map.m[2][0] * x + map.m[2][1] * y + map.m[2][2] * z + map.m[2][3], map.nz, iz, fz)) {
        return false;
    }
    corner = ix + static_cast<size_t>(map.nx) * (iy + static_cast<size_t>(map.ny) * iz);
    return true;
}

// Calls visit(sample index, first corner's index, fx, fy, fz) for each of count samples at functional voxel
// positions x, y, z that falls inside the anatomical; returns how many did.
template <typename Visit>
size_t visitMappedCells(const VoxelMapping& map, const float* x, const float* y, const float* z, size_t count,
                        Visit visit) {
    size_t inside = 0;
    for (size_t s = 0; s < count; ++s) {
        size_t cell;
        float fx, fy, fz;
        if (mappedCell(map, x[s], y[s], z[s], cell, fx, fy, fz)) {
            ++inside;
            visit(s, cell, fx, fy, fz);
        }
    }
    return inside;
}

#endif
