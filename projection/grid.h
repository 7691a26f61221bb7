// Grid conventions shared by the three projections: voxel addressing, centred coordinates, the
// nearest-neighbour rounding, the mapping into a grid and the intensity write rule.
//
// A grid of nx x ny x nz voxels stores voxel (x, y, z) at x + nx*(y + ny*z). A voxel is mapped through its
// centred coordinates i - (n - 1)*0.5, so the matrices act about the grid centres. Everything here is
// inline because it runs once or three times per voxel in every pass.
#ifndef POSALIGN_PROJECTION_GRID_H
#define POSALIGN_PROJECTION_GRID_H

#include <stdint.h>

#include "geometry/matrix4.h"
#include "host_api/host_records.h"
#include "projection/float_volume.h"

// Sizes of one grid (dimX, dimY, dimZ of its header).
struct GridSize {
    int32_t x, y, z;
};

// Rounded voxel indices in a grid; not necessarily inside it.
struct GridIndex {
    int32_t x, y, z;
};

// The grid of a VMR header.
inline GridSize vmrGridSize(const VmrHeader& header) {
    GridSize size = {header.dimX, header.dimY, header.dimZ};
    return size;
}

// The grid of an FMR header, or an empty grid when its volume holds fewer elements than the header's
// sizes need (no value, or a header that disagrees with it): such a grid has no voxel inside.
inline GridSize fmrGridSize(const FmrHeader& header, const FloatVolume& volume) {
    GridSize size = {header.dimX, header.dimY, header.dimZ};
    // Two steps, so that no product can exceed 64 bits.
    bool fits = volume.values != 0 && size.x > 0 && size.y > 0 && size.z > 0 &&
                static_cast<int64_t>(size.x) * size.y <= volume.voxelCount &&
                static_cast<int64_t>(size.x) * size.y * size.z <= volume.voxelCount;
    if (!fits) {
        size.x = size.y = size.z = 0;
    }
    return size;
}

// The centre offset (n - 1)*0.5 of an axis of n voxels, in single precision.
inline float centreOffset(int32_t n) {
    // Formed in 64 bits so that the most negative size cannot overflow; an axis of that size holds no
    // voxel, so the offset is never used for an inside voxel.
    return static_cast<float>(static_cast<int64_t>(n) - 1) * 0.5f;
}

// The centre offsets of a grid on its three axes.
struct GridOffsets {
    float x, y, z;
};

// The centred coordinate of index i on an axis whose centre offset is given.
inline float centredCoordinate(int32_t i, float offset) {
    return static_cast<float>(i) - offset;
}

// floor(t + 0.5) as a 32-bit integer, computed in double: halves go up (-0.5 -> 0, 2.5 -> 3). A NaN, an
// infinity or a value outside (-2^31, 2^31) gives INT32_MIN, a negative index that fails every inside test.
inline int32_t roundHalfUp(float value) {
    const double t = value;
    // Guarding the range first keeps every conversion below within 32 bits.
    if (!(t > -2147483648.0 && t < 2147483648.0)) {
        return INT32_MIN;
    }
    if (t >= 0.0) {
        return static_cast<int32_t>(t + 0.5);
    }
    // Truncation of a negative value goes up; step one below it and add the rounded remainder (0 or 1).
    const int32_t below = static_cast<int32_t>(t) - 1;
    return below + static_cast<int32_t>(t - static_cast<double>(below) + 0.5);
}

// The centre offsets of every axis of a grid.
inline GridOffsets centreOffsets(const GridSize& size) {
    GridOffsets offsets = {centreOffset(size.x), centreOffset(size.y), centreOffset(size.z)};
    return offsets;
}

// One axis of the voxel mapping: row is the matrix row of that axis. The point (cx, cy, cz, 1) is mapped
// as a column vector: the four products rounded and added in column order (the product by 1 is exact); the
// target's centre offset is added back and the sum rounded with roundHalfUp.
inline int32_t mapAxis(const float* row, float cx, float cy, float cz, float offset) {
    const float mapped = ((row[0] * cx + row[1] * cy) + row[2] * cz) + row[3] * 1.0f;
    return roundHalfUp(mapped + offset);
}

// The nearest target voxel of a walked voxel given by its centred coordinates, m mapping centred walked
// coordinates to centred target coordinates. True, with *index set, when it lies inside the target grid.
// An axis is mapped only while the earlier ones were inside, which gives the same answer as mapping all
// three and testing them, and saves the work for the many voxels outside.
inline bool mapInsideGrid(const Matrix4& m, float cx, float cy, float cz, const GridOffsets& offsets,
                          const GridSize& size, GridIndex* index) {
    index->x = mapAxis(m.m, cx, cy, cz, offsets.x);
    if (index->x < 0 || index->x >= size.x) {
        return false;
    }
    index->y = mapAxis(m.m + 4, cx, cy, cz, offsets.y);
    if (index->y < 0 || index->y >= size.y) {
        return false;
    }
    index->z = mapAxis(m.m + 8, cx, cy, cz, offsets.z);
    return index->z >= 0 && index->z < size.z;
}

// The element number of voxel (x, y, z), in 64-bit arithmetic.
inline int64_t voxelOffset(int32_t x, int32_t y, int32_t z, const GridSize& size) {
    return static_cast<int64_t>(x) +
           static_cast<int64_t>(size.x) * (static_cast<int64_t>(y) + static_cast<int64_t>(size.y) * z);
}

// The write rule: true when intensity is above 20 (strictly; NaN never), with *byte set to the rounded
// intensity limited to 225. Values from 225.5 up, infinity included, give 225.
inline bool paintedByte(float intensity, unsigned char* byte) {
    if (!(intensity > 20.0f)) {
        return false;
    }
    // roundHalfUp exceeds 225 exactly from 225.5 on; testing first keeps huge values at 225 rather than
    // letting them round to a negative index. Above 20 the rounded value is at least 20, so no lower limit.
    *byte = intensity >= 225.5f ? static_cast<unsigned char>(225)
                                : static_cast<unsigned char>(roundHalfUp(intensity));
    return true;
}

#endif
