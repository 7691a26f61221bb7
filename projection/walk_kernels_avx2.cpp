// The AVX2 kernels. The eight voxels of a step get their target indices, FMR values, painted bytes and
// products in vector registers; each product is one rounded single-precision multiplication, as in the
// scalar code. The sums are then added lane by lane in walk order, the independent sums interleaved.
// A row's last voxels (fewer than eight) take the scalar steps of voxel_steps.h.
#include "projection/walk_kernels.h"

#if POSALIGN_AVX2_KERNELS

#include <math.h>

#include "projection/avx2_lanes.h"
#include "projection/voxel_steps.h"

namespace {

// A row's per-axis terms in every lane, and the index on each axis where it is the same all along the
// row's run (fixed).
struct RowLanes {
    __m256 xFactor[3], yTerm[3], zTerm[3], shift[3], targetOffset[3];
    __m256 walkedOffsetX;
    __m256i targetSizeX, targetSizeY;
    __m256i fixedIndex[3];
    bool fixed[3];
    int32_t lastWindow; // the last element at which eight consecutive values lie within the target
};

POSALIGN_AVX2 inline void loadRowLanes(const WalkRow& row, RowLanes* lanes) {
    for (int c = 0; c < 3; ++c) {
        // The rounded index is monotone in x, so equal indices at both ends of the run hold all along it
        // (an axis across the row: slices parallel to the rows, or a row within one slab). Axes that
        // move by more than a voxel along the run are not tested; computing them is always right.
        const bool steady = row.begin < row.end &&
                            fabsf(row.xFactor[c]) * static_cast<float>(row.end - 1 - row.begin) <= 1.0f;
        const int32_t first = steady ? roundHalfUpNear(rowCoordinate(row, c, row.begin)) : 0;
        const int32_t last = steady ? roundHalfUpNear(rowCoordinate(row, c, row.end - 1)) : 1;
        lanes->fixed[c] = first == last;
        lanes->fixedIndex[c] = _mm256_set1_epi32(first);
        lanes->xFactor[c] = _mm256_set1_ps(row.xFactor[c]);
        lanes->yTerm[c] = _mm256_set1_ps(row.yTerm[c]);
        lanes->zTerm[c] = _mm256_set1_ps(row.zTerm[c]);
        lanes->shift[c] = _mm256_set1_ps(row.shift[c]);
        lanes->targetOffset[c] = _mm256_set1_ps(row.targetOffset[c]);
    }
    lanes->walkedOffsetX = _mm256_set1_ps(row.walkedOffsetX);
    lanes->targetSizeX = _mm256_set1_epi32(row.targetSize[0]);
    lanes->targetSizeY = _mm256_set1_epi32(row.targetSize[1]);
    lanes->lastWindow = row.targetSize[0] * row.targetSize[1] * row.targetSize[2] - 8;
}

// The centred x of voxels x .. x+7, the same for every walk of one walked grid.
POSALIGN_AVX2 inline __m256 centredX8(const RowLanes& lanes, int32_t x) {
    const __m256i xs = _mm256_add_epi32(_mm256_set1_epi32(x), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    return _mm256_sub_ps(_mm256_cvtepi32_ps(xs), lanes.walkedOffsetX);
}

// rowTargetElement for the voxels of a row with centred x cx. Lanes outside the row's run hold
// meaningless numbers.
POSALIGN_AVX2 inline __m256i targetElements8(const RowLanes& lanes, __m256 cx) {
    __m256i index[3];
    for (int c = 0; c < 3; ++c) {
        if (lanes.fixed[c]) {
            index[c] = lanes.fixedIndex[c];
            continue;
        }
        __m256 t = _mm256_mul_ps(lanes.xFactor[c], cx);
        t = _mm256_add_ps(t, lanes.yTerm[c]);
        t = _mm256_add_ps(t, lanes.zTerm[c]);
        t = _mm256_add_ps(t, lanes.shift[c]);
        t = _mm256_add_ps(t, lanes.targetOffset[c]);
        index[c] = roundHalfUpNear8(t);
    }
    const __m256i planeRow = _mm256_add_epi32(index[1], _mm256_mullo_epi32(lanes.targetSizeY, index[2]));
    return _mm256_add_epi32(index[0], _mm256_mullo_epi32(lanes.targetSizeX, planeRow));
}

// The low byte of every 32-bit lane, stored to eight consecutive bytes.
POSALIGN_AVX2 inline void storeLowBytes8(unsigned char* bytes, __m256i values) {
    const __m256i perHalf = _mm256_shuffle_epi8(
        values, _mm256_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 4, 8, 12, -1,
                                 -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1));
    const __m256i joined = _mm256_permutevar8x32_epi32(perHalf, _mm256_setr_epi32(0, 4, 0, 0, 0, 0, 0, 0));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(bytes), _mm256_castsi256_si128(joined));
}

// The write rule in every lane: the byte of an intensity above 20, else the byte before. Anything from
// 225.25 on rounds to 225, so limiting first stands for the test against 225.5 and keeps huge values in
// roundHalfUpNear's range.
POSALIGN_AVX2 inline __m256i paintedBytes8(__m256 intensity, __m256i before) {
    const __m256 paints = _mm256_cmp_ps(intensity, _mm256_set1_ps(20.0f), _CMP_GT_OQ);
    const __m256i painted = roundHalfUpNear8(_mm256_min_ps(intensity, _mm256_set1_ps(225.25f)));
    return _mm256_blendv_epi8(before, painted, _mm256_castps_si256(paints));
}

// Four running sums (one per lane of sums) with four sums' terms of eight voxels added voxel after voxel
// (lane i of each term vector: voxel i). A 4 x 4 transposition in each 128-bit half puts voxel i's terms
// in one vector, added to the sums in one instruction of four independent additions. Sums go by value:
// behind a pointer they could alias the painted bytes and would be kept in memory.
POSALIGN_AVX2 inline __m128 addInVoxelOrder(__m128 sums, __m256 t0, __m256 t1, __m256 t2, __m256 t3) {
    const __m256 low01 = _mm256_unpacklo_ps(t0, t1);  // voxels 0, 1 | 4, 5 of t0 and t1
    const __m256 high01 = _mm256_unpackhi_ps(t0, t1); // voxels 2, 3 | 6, 7
    const __m256 low23 = _mm256_unpacklo_ps(t2, t3);
    const __m256 high23 = _mm256_unpackhi_ps(t2, t3);
    const __m256 voxel[4] = {_mm256_shuffle_ps(low01, low23, 0x44), _mm256_shuffle_ps(low01, low23, 0xee),
                             _mm256_shuffle_ps(high01, high23, 0x44),
                             _mm256_shuffle_ps(high01, high23, 0xee)};
    for (int i = 0; i < 4; ++i) {
        sums = _mm_add_ps(sums, _mm256_castps256_ps128(voxel[i]));
    }
    for (int i = 0; i < 4; ++i) {
        sums = _mm_add_ps(sums, _mm256_extractf128_ps(voxel[i], 1));
    }
    return sums;
}

// The values at eight elements of a volume, in the lanes of wanted (all ones): one load of eight
// consecutive values and a permutation when every element lies within the first lane's element and the
// seven after it (the usual case along a row of a finer grid), else a gather, which costs more on some
// processors. Lanes not wanted hold 0 or a value near the others.
POSALIGN_AVX2 inline __m256 valuesAtElements8(__m256i elements, __m256i wanted, const float* values,
                                              int32_t lastWindow) {
    const int32_t first = _mm256_cvtsi256_si32(elements);
    const __m256i offsets =
        _mm256_sub_epi32(elements, _mm256_broadcastd_epi32(_mm256_castsi256_si128(elements)));
    const __m256i within = _mm256_cmpeq_epi32(_mm256_min_epu32(offsets, _mm256_set1_epi32(7)), offsets);
    if (_mm256_movemask_ps(_mm256_castsi256_ps(within)) == 0xff && first >= 0 && first <= lastWindow) {
        return _mm256_permutevar8x32_ps(_mm256_loadu_ps(values + first), offsets);
    }
    return _mm256_mask_i32gather_ps(_mm256_setzero_ps(), values, elements, _mm256_castsi256_ps(wanted), 4);
}

// The FMR values of the voxels of a row with centred x cx, all inside.
POSALIGN_AVX2 inline __m256 valuesAt8(const RowLanes& lanes, __m256 cx, const float* fmrValues) {
    return valuesAtElements8(targetElements8(lanes, cx), _mm256_set1_epi32(-1), fmrValues, lanes.lastWindow);
}

// valuesAt8 in the lanes of inRun (all ones), 0 in the others.
POSALIGN_AVX2 inline __m256 valuesInRun8(const RowLanes& lanes, __m256 cx, __m256i inRun,
                                         const float* fmrValues) {
    return _mm256_mask_i32gather_ps(_mm256_setzero_ps(), fmrValues, targetElements8(lanes, cx),
                                    _mm256_castsi256_ps(inRun), 4);
}

// Mapping 1 at eight voxels with FMR values f: paints bytes[0..7] and returns sums (ssd, svv, svf, sff in
// lanes 0 to 3) with their terms added.
POSALIGN_AVX2 inline __m128 paintAndSum8(__m256 f, unsigned char* bytes, __m128 sums) {
    const __m256i before = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes)));
    const __m256 difference = _mm256_sub_ps(f, _mm256_cvtepi32_ps(before));
    const __m256i after = paintedBytes8(f, before);
    storeLowBytes8(bytes, after);
    const __m256 v = _mm256_cvtepi32_ps(after);
    return addInVoxelOrder(sums, _mm256_mul_ps(difference, difference), _mm256_mul_ps(v, v),
                           _mm256_mul_ps(v, f), _mm256_mul_ps(f, f));
}

// Lane i of values moved to lane i + shift (lanes below shift keep lane 0's value).
POSALIGN_AVX2 inline __m256i shiftLanesUp(__m256i values, int shift) {
    const __m256i from = _mm256_max_epi32(
        _mm256_sub_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(shift)),
        _mm256_setzero_si256());
    return _mm256_permutevar8x32_epi32(values, from);
}

// What mapping 3's first pass reads for voxels x .. x+7 of a row, all inside FMR 1: their FMR 1 elements
// and values there, which lanes are also inside FMR 2 and the FMR 2 values (meaningless where not).
struct PairGroup {
    __m256i elements1, inBoth;
    __m256 a, b;
};

// The group of voxels x .. x+7 whose lanes in inRun (all ones) lie inside FMR 1; the others read nothing
// from FMR 1 (value 0) and are not in both.
POSALIGN_AVX2 inline PairGroup readPairGroupInRun(const RowLanes& lanes1, const RowLanes& lanes2, int32_t x,
                                                  __m256i inRun, const WalkRow& row2, const float* fmrValues1,
                                                  const float* fmrValues2) {
    PairGroup group;
    const __m256i xs = _mm256_add_epi32(_mm256_set1_epi32(x), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    group.inBoth =
        _mm256_and_si256(inRun, _mm256_andnot_si256(_mm256_cmpgt_epi32(_mm256_set1_epi32(row2.begin), xs),
                                                    _mm256_cmpgt_epi32(_mm256_set1_epi32(row2.end), xs)));
    const __m256 cx = centredX8(lanes1, x);
    group.elements1 = targetElements8(lanes1, cx);
    group.a = _mm256_mask_i32gather_ps(_mm256_setzero_ps(), fmrValues1, group.elements1,
                                       _mm256_castsi256_ps(inRun), 4);
    // Lanes outside FMR 2 have no element there and read nothing from memory beyond the volume.
    group.b = valuesAtElements8(targetElements8(lanes2, cx), group.inBoth, fmrValues2, lanes2.lastWindow);
    return group;
}

// The group of voxels x .. x+7, all inside FMR 1.
POSALIGN_AVX2 inline PairGroup readPairGroup(const RowLanes& lanes1, const RowLanes& lanes2, int32_t x,
                                             const WalkRow& row2, const float* fmrValues1,
                                             const float* fmrValues2) {
    return readPairGroupInRun(lanes1, lanes2, x, _mm256_set1_epi32(-1), row2, fmrValues1, fmrValues2);
}

// Mapping 3's first pass at the first count voxels (at most 8) of a group read by readPairGroup(InRun):
// paints bytes[0..count-1] and copies into FMR 1 as that many scalar steps would, one after another;
// bytes[count..7] are rewritten as they are. *lastElement and *lastValue hold the group before's last
// element and what it left there (element -1 at a row's start), and are updated for the next group.
POSALIGN_AVX2 inline void paintPair8(const PairGroup& group, int count, unsigned char* bytes,
                                     float* fmrValues1, __m256i* lastElement, __m256* lastValue) {
    const __m256i copies = _mm256_and_si256(
        group.inBoth, _mm256_castps_si256(_mm256_cmp_ps(group.b, _mm256_set1_ps(20.0f), _CMP_GT_OQ)));
    // Each element is met in one run of consecutive x along a row (every rounded index is monotone in x),
    // so a lane whose element is not its predecessor's meets it for the first time in this row.
    const __m256i predecessors = _mm256_blend_epi32(
        _mm256_permutevar8x32_epi32(group.elements1, _mm256_setr_epi32(0, 0, 1, 2, 3, 4, 5, 6)), *lastElement,
        1);
    const __m256i continues = _mm256_cmpeq_epi32(group.elements1, predecessors);
    // What each lane leaves in its element, held: b where it copies; else the value the element holds,
    // read from FMR 1 where the lane is the element's first, else what its predecessor left. Lane 0's
    // predecessor is known; the other continuing lanes that do not copy take their predecessor's value,
    // filled forward in steps of 1, 2 and 4 lanes. The group may have been read before the group before
    // it wrote FMR 1, but only a continuing lane 0 can have read an element that group wrote.
    __m256 held = _mm256_blendv_ps(group.a, *lastValue, _mm256_castsi256_ps(continues));
    held = _mm256_blendv_ps(held, group.b, _mm256_castsi256_ps(copies));
    __m256i unknown = _mm256_and_si256(_mm256_andnot_si256(copies, continues),
                                       _mm256_setr_epi32(0, -1, -1, -1, -1, -1, -1, -1));
    for (int shift = 1; shift <= 4; shift *= 2) {
        const __m256i fromUnknown = shiftLanesUp(unknown, shift);
        const __m256i take = _mm256_andnot_si256(fromUnknown, unknown);
        held = _mm256_blendv_ps(held, _mm256_castsi256_ps(shiftLanesUp(_mm256_castps_si256(held), shift)),
                                _mm256_castsi256_ps(take));
        unknown = _mm256_and_si256(unknown, fromUnknown);
    }
    // The scalar steps paint a where it is above 20, then b on top where it is copied: the byte of the
    // value held, where that is above 20.
    const __m256i before = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes)));
    __m256i painted = paintedBytes8(held, before);
    if (count < 8) {
        const __m256i inRun =
            _mm256_cmpgt_epi32(_mm256_set1_epi32(count), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
        painted = _mm256_blendv_epi8(before, painted, inRun);
    }
    storeLowBytes8(bytes, painted);
    // Every lane writes its element, in lane order; the last lane of an element leaves what the scalar
    // steps leave, without a branch on which lanes copy.
    alignas(32) int32_t elements[8];
    alignas(32) float values[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(elements), group.elements1);
    _mm256_store_ps(values, held);
    for (int i = 0; i < count; ++i) {
        fmrValues1[elements[i]] = values[i];
    }
    const __m256i lastLane = _mm256_set1_epi32(7);
    *lastElement = _mm256_permutevar8x32_epi32(group.elements1, lastLane);
    *lastValue = _mm256_permutevar8x32_ps(held, lastLane);
}

// Mapping 3's second pass at eight voxels inside both FMRs, a and b their values: returns sums (sa, saa,
// sb, sbb, sab, ssd in lanes 0 to 5) with the terms of voxel 0, then 1, ..., then 7 added. An 8 x 8
// transposition (two term rows zero) puts each voxel's six terms in one vector.
POSALIGN_AVX2 inline __m256 pairSum8(__m256 a, __m256 b, __m256 sums) {
    const __m256 difference = _mm256_sub_ps(a, b);
    const __m256 ab = _mm256_mul_ps(a, b), square = _mm256_mul_ps(difference, difference);
    const __m256 aa = _mm256_mul_ps(a, a), bb = _mm256_mul_ps(b, b);
    const __m256 zero = _mm256_setzero_ps();
    // Lane pairs of voxels 0, 1 | 4, 5 (low) and 2, 3 | 6, 7 (high).
    const __m256 low01 = _mm256_unpacklo_ps(a, aa), high01 = _mm256_unpackhi_ps(a, aa);
    const __m256 low23 = _mm256_unpacklo_ps(b, bb), high23 = _mm256_unpackhi_ps(b, bb);
    const __m256 low45 = _mm256_unpacklo_ps(ab, square), high45 = _mm256_unpackhi_ps(ab, square);
    // Voxel i's first four terms in the low half and voxel i + 4's in the high half (i = 0 to 3), then
    // their last two.
    const __m256 head[4] = {_mm256_shuffle_ps(low01, low23, 0x44), _mm256_shuffle_ps(low01, low23, 0xee),
                            _mm256_shuffle_ps(high01, high23, 0x44), _mm256_shuffle_ps(high01, high23, 0xee)};
    const __m256 tail[4] = {_mm256_shuffle_ps(low45, zero, 0x44), _mm256_shuffle_ps(low45, zero, 0xee),
                            _mm256_shuffle_ps(high45, zero, 0x44), _mm256_shuffle_ps(high45, zero, 0xee)};
    for (int i = 0; i < 4; ++i) {
        sums = _mm256_add_ps(sums, _mm256_permute2f128_ps(head[i], tail[i], 0x20));
    }
    for (int i = 0; i < 4; ++i) {
        sums = _mm256_add_ps(sums, _mm256_permute2f128_ps(head[i], tail[i], 0x31));
    }
    return sums;
}

POSALIGN_AVX2 inline __m128 loadSums(float s0, float s1, float s2, float s3) {
    return _mm_setr_ps(s0, s1, s2, s3);
}

POSALIGN_AVX2 inline void storeSums(__m128 sums, float* s0, float* s1, float* s2, float* s3) {
    alignas(16) float lanes[4];
    _mm_store_ps(lanes, sums);
    *s0 = lanes[0];
    *s1 = lanes[1];
    *s2 = lanes[2];
    *s3 = lanes[3];
}

} // namespace

POSALIGN_AVX2 FmrPaintSums paintFmrIntoVmrAvx2(const VoxelWalk& walk, unsigned char* vmrVoxels,
                                               const float* fmrValues) {
    FmrPaintSums sums = {0.0f, 0.0f, 0.0f, 0.0f};
    WalkRow row;
    RowLanes lanes;
    for (int32_t z = 0; z < walk.walkedSize.z; ++z) {
        if (!walkPlaneMayBeInside(walk, z)) {
            continue;
        }
        for (int32_t y = 0; y < walk.walkedSize.y; ++y) {
            prepareWalkRow(walk, y, z, &row);
            if (row.begin == row.end) {
                continue;
            }
            loadRowLanes(row, &lanes);
            unsigned char* bytes = vmrVoxels + voxelOffset(0, y, z, walk.walkedSize);
            int32_t x = row.begin;
            __m128 running = loadSums(sums.ssd, sums.svv, sums.svf, sums.sff);
            // Software pipelined: the next group's values are fetched before this group is painted and
            // summed, so that their long chain of index arithmetic overlaps this group's work.
            __m256 f =
                row.end - x >= 8 ? valuesAt8(lanes, centredX8(lanes, x), fmrValues) : _mm256_setzero_ps();
            while (row.end - x >= 8) {
                const bool more = row.end - x >= 16;
                const __m256 following = more ? valuesAt8(lanes, centredX8(lanes, x + 8), fmrValues) : f;
                running = paintAndSum8(f, bytes + x, running);
                f = following;
                x += 8;
            }
            storeSums(running, &sums.ssd, &sums.svv, &sums.svf, &sums.sff);
            for (; x < row.end; ++x) {
                paintAndSumVoxel(&bytes[x], fmrValues[rowTargetElement(row, x, true)], &sums);
            }
        }
    }
    return sums;
}

POSALIGN_AVX2 void paintTwoFmrsIntoVmrAvx2(const VoxelWalk& walk1, const VoxelWalk& walk2,
                                           unsigned char* vmrVoxels, float* fmrValues1,
                                           const float* fmrValues2) {
    const int64_t voxelCount = voxelOffset(0, 0, walk1.walkedSize.z, walk1.walkedSize);
    PairRow row;
    RowLanes lanes1, lanes2;
    for (int32_t z = 0; z < walk1.walkedSize.z; ++z) {
        if (!walkPlaneMayBeInside(walk1, z)) {
            continue;
        }
        for (int32_t y = 0; y < walk1.walkedSize.y; ++y) {
            if (!preparePairRow(walk1, walk2, y, z, &row)) {
                continue;
            }
            const WalkRow &row1 = row.first, &row2 = row.second;
            loadRowLanes(row1, &lanes1);
            loadRowLanes(row2, &lanes2);
            const int64_t rowOffset = voxelOffset(0, y, z, walk1.walkedSize);
            unsigned char* bytes = vmrVoxels + rowOffset;
            int32_t x = row1.begin;
            // Software pipelined: the next group is read before this one writes FMR 1 (see paintPair8).
            __m256i lastElement = _mm256_set1_epi32(-1); // no element
            __m256 lastValue = _mm256_setzero_ps();
            PairGroup group;
            if (row1.end - x >= 8) {
                group = readPairGroup(lanes1, lanes2, x, row2, fmrValues1, fmrValues2);
            }
            while (row1.end - x >= 8) {
                const bool more = row1.end - x >= 16;
                const PairGroup following =
                    more ? readPairGroup(lanes1, lanes2, x + 8, row2, fmrValues1, fmrValues2) : group;
                paintPair8(group, 8, bytes + x, fmrValues1, &lastElement, &lastValue);
                group = following;
                x += 8;
            }
            // The last voxels as one group when its eight bytes lie within the VMR.
            if (x < row1.end && rowOffset + x + 8 <= voxelCount) {
                const int32_t count = row1.end - x;
                const __m256i inRun =
                    _mm256_cmpgt_epi32(_mm256_set1_epi32(count), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
                group = readPairGroupInRun(lanes1, lanes2, x, inRun, row2, fmrValues1, fmrValues2);
                paintPair8(group, count, bytes + x, fmrValues1, &lastElement, &lastValue);
                x = row1.end;
            }
            for (; x < row1.end; ++x) {
                paintPairRowVoxel(row, x, true, true, &bytes[x], fmrValues1, fmrValues2);
            }
        }
    }
}

POSALIGN_AVX2 FmrPairSums compareTwoFmrsAvx2(const VoxelWalk& walk1, const VoxelWalk& walk2,
                                             const float* fmrValues1, const float* fmrValues2) {
    FmrPairSums sums = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0};
    PairRow row;
    RowLanes lanes1, lanes2;
    for (int32_t z = 0; z < walk1.walkedSize.z; ++z) {
        if (!walkPlaneMayBeInside(walk1, z)) {
            continue;
        }
        for (int32_t y = 0; y < walk1.walkedSize.y; ++y) {
            if (!preparePairRow(walk1, walk2, y, z, &row) || row.bothBegin >= row.bothEnd) {
                continue;
            }
            const int32_t begin = row.bothBegin, end = row.bothEnd;
            loadRowLanes(row.first, &lanes1);
            loadRowLanes(row.second, &lanes2);
            int32_t x = begin;
            __m256 running = _mm256_setr_ps(sums.sa, sums.saa, sums.sb, sums.sbb, sums.sab, sums.ssd, 0, 0);
            // Software pipelined as in paintFmrIntoVmrAvx2.
            __m256 a = _mm256_setzero_ps(), b = _mm256_setzero_ps();
            if (end - x >= 8) {
                const __m256 cx = centredX8(lanes1, x);
                a = valuesAt8(lanes1, cx, fmrValues1);
                b = valuesAt8(lanes2, cx, fmrValues2);
            }
            while (end - x >= 8) {
                const bool more = end - x >= 16;
                const __m256 cx = centredX8(lanes1, x + 8);
                const __m256 followingA = more ? valuesAt8(lanes1, cx, fmrValues1) : a;
                const __m256 followingB = more ? valuesAt8(lanes2, cx, fmrValues2) : b;
                running = pairSum8(a, b, running);
                a = followingA;
                b = followingB;
                x += 8;
            }
            if (x < end) {
                // The last voxels as a group whose lanes past the run read 0: their terms are all +0, and
                // adding +0 leaves every sum as it is (a sum that starts at +0 never becomes -0).
                const __m256i inRun =
                    _mm256_cmpgt_epi32(_mm256_set1_epi32(end - x), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
                const __m256 cx = centredX8(lanes1, x);
                running = pairSum8(valuesInRun8(lanes1, cx, inRun, fmrValues1),
                                   valuesInRun8(lanes2, cx, inRun, fmrValues2), running);
            }
            alignas(32) float lanes[8];
            _mm256_store_ps(lanes, running);
            sums.sa = lanes[0];
            sums.saa = lanes[1];
            sums.sb = lanes[2];
            sums.sbb = lanes[3];
            sums.sab = lanes[4];
            sums.ssd = lanes[5];
            sums.pairs += end - begin;
        }
    }
    return sums;
}

#endif
