// What the kernels do at one inside voxel, shared by the baseline loops and the AVX2 kernels' row ends.
#ifndef POSALIGN_PROJECTION_VOXEL_STEPS_H
#define POSALIGN_PROJECTION_VOXEL_STEPS_H

#include "projection/voxel_walk.h"
#include "projection/walk_kernels.h"

// paintedByte for an intensity known to be above 20: 225 from 225.5 on, else the rounded intensity, which
// lies in [20, 225] where roundHalfUpNear is exact.
inline unsigned char paintedByteAboveTwenty(float intensity) {
    return intensity >= 225.5f ? static_cast<unsigned char>(225)
                               : static_cast<unsigned char>(roundHalfUpNear(intensity));
}

// Mapping 1 at one voxel: the SSD term against the byte as it was, the write rule, then the pass-2 terms
// against the byte as painted.
inline void paintAndSumVoxel(unsigned char* byte, float f, FmrPaintSums* sums) {
    const float difference = f - static_cast<float>(*byte);
    if (f > 20.0f) {
        *byte = paintedByteAboveTwenty(f);
    }
    const float v = static_cast<float>(*byte);
    const float square = difference * difference;
    const float vv = v * v, vf = v * f, ff = f * f;
    sums->ssd = sums->ssd + square;
    sums->svv = sums->svv + vv;
    sums->svf = sums->svf + vf;
    sums->sff = sums->sff + ff;
}

// Mapping 3's first pass at one voxel inside FMR 1: paint *a, then, when the voxel is also inside FMR 2
// (b not null), paint *b on top and copy it into *a when it painted.
inline void paintPairVoxel(unsigned char* byte, float* a, const float* b) {
    if (*a > 20.0f) {
        *byte = paintedByteAboveTwenty(*a);
    }
    if (b != 0 && *b > 20.0f) {
        *byte = paintedByteAboveTwenty(*b);
        *a = *b;
    }
}

// paintPairVoxel at voxel x of a pair row, inside FMR 1, each FMR rounded with roundHalfUpNear when its
// near flag is set.
inline void paintPairRowVoxel(const PairRow& row, int32_t x, bool near1, bool near2, unsigned char* byte,
                              float* fmrValues1, const float* fmrValues2) {
    const bool inBoth = x >= row.second.begin && x < row.second.end;
    paintPairVoxel(byte, &fmrValues1[rowTargetElement(row.first, x, near1)],
                   inBoth ? &fmrValues2[rowTargetElement(row.second, x, near2)] : 0);
}

// Mapping 3's second pass at one voxel inside both FMRs.
inline void addPairVoxel(float a, float b, FmrPairSums* sums) {
    const float aa = a * a, bb = b * b, ab = a * b;
    const float difference = a - b;
    const float square = difference * difference;
    sums->sa = sums->sa + a;
    sums->saa = sums->saa + aa;
    sums->sb = sums->sb + b;
    sums->sbb = sums->sbb + bb;
    sums->sab = sums->sab + ab;
    sums->ssd = sums->ssd + square;
}

// addPairVoxel at voxel x of a pair row, inside both FMRs.
inline void addPairRowVoxel(const PairRow& row, int32_t x, bool near1, bool near2, const float* fmrValues1,
                            const float* fmrValues2, FmrPairSums* sums) {
    addPairVoxel(fmrValues1[rowTargetElement(row.first, x, near1)],
                 fmrValues2[rowTargetElement(row.second, x, near2)], sums);
}

#endif
