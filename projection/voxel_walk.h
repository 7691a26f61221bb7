// One walk of a grid in z, y, x order with every voxel mapped by nearest neighbour into a target grid, set
// up row by row so that the fast kernels form exactly the numbers mapInsideGrid forms.
//
// Along a row only x changes. Every step of the mapped coordinate - the product by the centred x, the three
// additions in their fixed order, the rounding - is monotone, so the voxels of a row whose rounded index
// lies inside the target on one axis form one run of consecutive x, and so do those inside on all three.
// WalkRow holds that run, found exactly, and the x-independent products, formed once per row.
#ifndef POSALIGN_PROJECTION_VOXEL_WALK_H
#define POSALIGN_PROJECTION_VOXEL_WALK_H

#include <stdint.h>

#include "geometry/matrix4.h"
#include "projection/grid.h"

// The walked grid, the target grid and the matrix from centred walked to centred target coordinates.
struct VoxelWalk {
    Matrix4 matrix;
    GridSize walkedSize;
    GridOffsets walkedOffsets;
    GridSize targetSize;
    GridOffsets targetOffsets;
};

// One row (y, z) of the walked grid. On target axis c the voxel x maps to the float
// ((((xFactor[c] * cx) + yTerm[c]) + zTerm[c]) + shift[c]) + targetOffset[c], cx = float(x) - walkedOffsetX,
// which is mapAxis's sum before rounding; the voxel is inside the target exactly when begin <= x < end.
struct WalkRow {
    float xFactor[3];
    float yTerm[3];
    float zTerm[3];
    float shift[3];
    float targetOffset[3];
    int32_t targetSize[3];
    float walkedOffsetX;
    int32_t begin, end;
};

// Largest target axis for which roundHalfUpNear rounds every inside coordinate exactly.
enum { kNearRoundingAxisLimit = 1 << 22 };

// The walk of walkedSize mapped through matrix into targetSize.
VoxelWalk makeVoxelWalk(const Matrix4& matrix, const GridSize& walkedSize, const GridSize& targetSize);

// True when every target axis is at most kNearRoundingAxisLimit, so the kernels may round with
// roundHalfUpNear; otherwise they round with roundHalfUp.
bool walkRoundsNear(const VoxelWalk& walk);

// Fills *row for walked row (y, z): the per-row products and the exact run [begin, end) of inside voxels
// (begin == end when none). A NaN or infinite coefficient or term makes the run empty, as every such
// voxel rounds to an index outside.
void prepareWalkRow(const VoxelWalk& walk, int32_t y, int32_t z, WalkRow* row);

// prepareWalkRow with the run limited to the voxels from <= x < to (0 <= from <= to <= walked size x):
// the same run intersected with that range.
void prepareWalkRowWithin(const VoxelWalk& walk, int32_t y, int32_t z, int32_t from, int32_t to,
                          WalkRow* row);

// False when no voxel of walked plane z lies inside the target, so that its rows need no preparing; true
// when some may.
bool walkPlaneMayBeInside(const VoxelWalk& walk, int32_t z);

// One walked row of mapping 3's two walks (the same walked grid, two targets): the row of each, and the
// run [bothBegin, bothEnd) of voxels inside both targets (bothBegin >= bothEnd when none).
struct PairRow {
    WalkRow first, second;
    int32_t bothBegin, bothEnd;
};

// Fills *row for walked row (y, z). False when no voxel of it lies inside the first target; then only
// row->first is filled, as the pair kernels visit only voxels inside the first target.
inline bool preparePairRow(const VoxelWalk& walk1, const VoxelWalk& walk2, int32_t y, int32_t z,
                           PairRow* row) {
    prepareWalkRow(walk1, y, z, &row->first);
    if (row->first.begin == row->first.end) {
        return false;
    }
    // Only voxels inside the first target are visited, so the second run is searched within the first.
    prepareWalkRowWithin(walk2, y, z, row->first.begin, row->first.end, &row->second);
    row->bothBegin = row->first.begin > row->second.begin ? row->first.begin : row->second.begin;
    row->bothEnd = row->first.end < row->second.end ? row->first.end : row->second.end;
    return true;
}

// The target coordinate of voxel x on axis c, before rounding, formed as mapAxis forms it.
inline float rowCoordinate(const WalkRow& row, int c, int32_t x) {
    const float cx = centredCoordinate(x, row.walkedOffsetX);
    return (((row.xFactor[c] * cx + row.yTerm[c]) + row.zTerm[c]) + row.shift[c]) + row.targetOffset[c];
}

// roundHalfUp for -0.5 <= value < 2^23 (every inside coordinate and every painted intensity), in single
// precision: value + 0.5f is not negative there, so truncation is floor, and it rounds across an integer
// only for 0.49999997f, whose sum rounds up to 1. bench/round_half_up_proof checks every float of the range.
inline int32_t roundHalfUpNear(float value) {
    const int32_t truncated = static_cast<int32_t>(value + 0.5f);
    return value == 0x1.fffffep-2f ? truncated - 1 : truncated;
}

// The element number of the target voxel that voxel x (inside the row's run) maps to, rounding with
// roundHalfUpNear when near is true.
inline int64_t rowTargetElement(const WalkRow& row, int32_t x, bool near) {
    int64_t index[3];
    for (int c = 0; c < 3; ++c) {
        const float t = rowCoordinate(row, c, x);
        index[c] = near ? roundHalfUpNear(t) : roundHalfUp(t);
    }
    return index[0] + row.targetSize[0] * (index[1] + row.targetSize[1] * index[2]);
}

#endif
