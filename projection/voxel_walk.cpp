// The exact run of inside voxels of a walked row.
//
// On one axis, "rounds to an index >= 0" is the float coordinate t >= -0.5 and "rounds to an index below
// the size" is t < size - 0.5 (both compared in double, where these bounds are exact). Each test flips at
// most once along a row, so a run end is found from an estimate in real arithmetic and then moved one voxel
// at a time until the test changes exactly there, using the very float expression the kernels use.
#include "projection/voxel_walk.h"

namespace {

// Which bound test a search looks for.
enum BoundTest { kAboveLow, kBelowHigh, kNotAboveLow, kNotBelowHigh };

bool holds(const WalkRow& row, int c, int32_t x, BoundTest test) {
    const double t = rowCoordinate(row, c, x);
    const bool aboveLow = t >= -0.5;
    const bool belowHigh = t < static_cast<double>(row.targetSize[c]) - 0.5;
    switch (test) {
    case kAboveLow:
        return aboveLow;
    case kBelowHigh:
        return belowHigh;
    case kNotAboveLow:
        return !aboveLow;
    default:
        return !belowHigh;
    }
}

// The first x in [from, to] where the test holds (to when none), the test being false up to some x and
// true from there on. bound is the coordinate where it flips, used for the starting estimate only.
int32_t firstHolding(const WalkRow& row, int c, int32_t from, int32_t to, BoundTest test, double bound) {
    const double rowSum =
        static_cast<double>(row.yTerm[c]) + row.zTerm[c] + row.shift[c] + row.targetOffset[c];
    const double estimate = row.walkedOffsetX + (bound - rowSum) / row.xFactor[c];
    int32_t x = from;
    if (estimate >= to) {
        x = to;
    } else if (estimate > from) {
        x = static_cast<int32_t>(estimate);
    }
    while (x > from && holds(row, c, x - 1, test)) {
        --x;
    }
    while (x < to && !holds(row, c, x, test)) {
        ++x;
    }
    return x;
}

// The run [*begin, *end) of x in [from, to) inside the target on axis c, for a finite non-zero x factor,
// given the coordinates at from and to - 1, which settle the frequent rows lying wholly on one side or
// wholly inside.
void insideRunOnAxis(const WalkRow& row, int c, int32_t from, int32_t to, double atFirst, double atLast,
                     int32_t* begin, int32_t* end) {
    const double low = -0.5, high = static_cast<double>(row.targetSize[c]) - 0.5;
    if (row.xFactor[c] > 0.0f) {
        *begin = atFirst >= low ? from : firstHolding(row, c, from, to, kAboveLow, low);
        *end = atLast < high ? to : firstHolding(row, c, from, to, kNotBelowHigh, high);
    } else {
        *begin = atFirst < high ? from : firstHolding(row, c, from, to, kBelowHigh, high);
        *end = atLast >= low ? to : firstHolding(row, c, from, to, kNotAboveLow, low);
    }
}

} // namespace

VoxelWalk makeVoxelWalk(const Matrix4& matrix, const GridSize& walkedSize, const GridSize& targetSize) {
    VoxelWalk walk;
    walk.matrix = matrix;
    walk.walkedSize = walkedSize;
    walk.walkedOffsets = centreOffsets(walkedSize);
    walk.targetSize = targetSize;
    walk.targetOffsets = centreOffsets(targetSize);
    return walk;
}

bool walkRoundsNear(const VoxelWalk& walk) {
    return walk.targetSize.x <= kNearRoundingAxisLimit && walk.targetSize.y <= kNearRoundingAxisLimit &&
           walk.targetSize.z <= kNearRoundingAxisLimit;
}

bool walkPlaneMayBeInside(const VoxelWalk& walk, int32_t z) {
    // On each axis the target coordinate is monotone in x and in y over the plane (every product and
    // rounded addition is), and a NaN inside the plane brings one to a corner, so the four corners bound
    // every voxel: when all lie below the target, or all above it, no voxel is inside on that axis.
    const float cz = centredCoordinate(z, walk.walkedOffsets.z);
    const float cxs[2] = {centredCoordinate(0, walk.walkedOffsets.x),
                          centredCoordinate(walk.walkedSize.x - 1, walk.walkedOffsets.x)};
    const float cys[2] = {centredCoordinate(0, walk.walkedOffsets.y),
                          centredCoordinate(walk.walkedSize.y - 1, walk.walkedOffsets.y)};
    const float offsets[3] = {walk.targetOffsets.x, walk.targetOffsets.y, walk.targetOffsets.z};
    const int32_t sizes[3] = {walk.targetSize.x, walk.targetSize.y, walk.targetSize.z};
    for (int c = 0; c < 3; ++c) {
        const float* m = walk.matrix.m + 4 * c;
        const double low = -0.5, high = static_cast<double>(sizes[c]) - 0.5;
        int below = 0, above = 0;
        for (int corner = 0; corner < 4; ++corner) {
            const float cx = cxs[corner & 1], cy = cys[corner >> 1];
            const double t = ((((m[0] * cx + m[1] * cy) + m[2] * cz) + m[3] * 1.0f) + offsets[c]);
            below += t < low;
            above += t >= high;
        }
        if (below == 4 || above == 4) {
            return false;
        }
    }
    return true;
}

void prepareWalkRow(const VoxelWalk& walk, int32_t y, int32_t z, WalkRow* row) {
    prepareWalkRowWithin(walk, y, z, 0, walk.walkedSize.x, row);
}

void prepareWalkRowWithin(const VoxelWalk& walk, int32_t y, int32_t z, int32_t from, int32_t to,
                          WalkRow* row) {
    const float cy = centredCoordinate(y, walk.walkedOffsets.y);
    const float cz = centredCoordinate(z, walk.walkedOffsets.z);
    const float offsets[3] = {walk.targetOffsets.x, walk.targetOffsets.y, walk.targetOffsets.z};
    const int32_t sizes[3] = {walk.targetSize.x, walk.targetSize.y, walk.targetSize.z};
    row->walkedOffsetX = walk.walkedOffsets.x;
    row->begin = from;
    row->end = to;
    for (int c = 0; c < 3; ++c) {
        const float* m = walk.matrix.m + 4 * c;
        row->xFactor[c] = m[0];
        row->yTerm[c] = m[1] * cy;
        row->zTerm[c] = m[2] * cz;
        row->shift[c] = m[3] * 1.0f;
        row->targetOffset[c] = offsets[c];
        row->targetSize[c] = sizes[c];
    }
    // First every axis's ends: most rows outside are found there, before any search.
    double atFirst[3], atLast[3];
    for (int c = 0; c < 3 && row->begin < row->end; ++c) {
        atFirst[c] = rowCoordinate(*row, c, from);
        atLast[c] = rowCoordinate(*row, c, to - 1);
        const double low = -0.5, high = static_cast<double>(sizes[c]) - 0.5;
        const double smaller = row->xFactor[c] > 0.0f ? atFirst[c] : atLast[c];
        const double larger = row->xFactor[c] > 0.0f ? atLast[c] : atFirst[c];
        // Also true for NaN ends. A NaN or infinite factor or term is refused outright: every sum is then
        // infinite or NaN, and the searches below may assume finite factors and terms. v - v is 0 for a
        // finite v and NaN otherwise, so one sum tests all five without a branch.
        const float finiteProbe = (((row->xFactor[c] - row->xFactor[c]) + (row->yTerm[c] - row->yTerm[c])) +
                                   ((row->zTerm[c] - row->zTerm[c]) + (row->shift[c] - row->shift[c]))) +
                                  (row->targetOffset[c] - row->targetOffset[c]);
        const bool outside = !(larger >= low && smaller < high) || finiteProbe != 0.0f;
        if (outside) {
            row->end = row->begin;
        }
    }
    for (int c = 0; c < 3 && row->begin < row->end; ++c) {
        int32_t begin = from, end = to;
        // A zero factor gives the same sum for every x (up to the sign of a zero), inside as tested above.
        if (row->xFactor[c] != 0.0f) {
            insideRunOnAxis(*row, c, from, to, atFirst[c], atLast[c], &begin, &end);
        }
        row->begin = begin > row->begin ? begin : row->begin;
        row->end = end < row->end ? end : row->end;
    }
    if (row->end < row->begin) {
        row->end = row->begin;
    }
}
