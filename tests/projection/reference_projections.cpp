// The projections' voxel loops as first written: every voxel of the walked grid mapped on its own with
// mapInsideGrid, one pass after the other. The fast kernels must give exactly what these give.
#include "projection/walk_kernels.h"

namespace {

// True, with *element set, when voxel (x, y, z) of the walked grid maps inside the target grid.
bool mapsInside(const Matrix4& m, const GridSize& walked, const GridSize& target, int32_t x, int32_t y,
                int32_t z, int64_t* element) {
    const GridOffsets walkedOffsets = centreOffsets(walked), targetOffsets = centreOffsets(target);
    GridIndex t;
    if (!mapInsideGrid(m, centredCoordinate(x, walkedOffsets.x), centredCoordinate(y, walkedOffsets.y),
                       centredCoordinate(z, walkedOffsets.z), targetOffsets, target, &t))
        return false;
    *element = voxelOffset(t.x, t.y, t.z, target);
    return true;
}

// visit(x, y, z, element) for every voxel of the grid in z, y, x order.
template <typename Visit> void forEachVoxel(const GridSize& grid, Visit visit) {
    for (int32_t z = 0; z < grid.z; ++z)
        for (int32_t y = 0; y < grid.y; ++y)
            for (int32_t x = 0; x < grid.x; ++x)
                visit(x, y, z, voxelOffset(x, y, z, grid));
}

} // namespace

FmrPaintSums referencePaintFmrIntoVmr(const Matrix4& m, unsigned char* vmr, const GridSize& vmrSize,
                                      const float* fmr, const GridSize& fmrSize) {
    FmrPaintSums s = {0.0f, 0.0f, 0.0f, 0.0f};
    int64_t e;
    forEachVoxel(vmrSize, [&](int32_t x, int32_t y, int32_t z, int64_t k) {
        if (!mapsInside(m, vmrSize, fmrSize, x, y, z, &e))
            return;
        const float difference = fmr[e] - static_cast<float>(vmr[k]);
        paintedByte(fmr[e], &vmr[k]);
        const float square = difference * difference;
        s.ssd = s.ssd + square;
    });
    forEachVoxel(vmrSize, [&](int32_t x, int32_t y, int32_t z, int64_t k) {
        if (!mapsInside(m, vmrSize, fmrSize, x, y, z, &e))
            return;
        const float f = fmr[e], v = static_cast<float>(vmr[k]);
        const float vv = v * v, vf = v * f, ff = f * f;
        s.svv = s.svv + vv;
        s.svf = s.svf + vf;
        s.sff = s.sff + ff;
    });
    return s;
}

FmrPairSums referencePaintTwoFmrs(const Matrix4& m1, const Matrix4& m2, unsigned char* vmr,
                                  const GridSize& vmrSize, float* fmr1, const GridSize& fmrSize1,
                                  const float* fmr2, const GridSize& fmrSize2) {
    FmrPairSums s = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0};
    int64_t e1, e2;
    forEachVoxel(vmrSize, [&](int32_t x, int32_t y, int32_t z, int64_t k) {
        if (!mapsInside(m1, vmrSize, fmrSize1, x, y, z, &e1))
            return;
        paintedByte(fmr1[e1], &vmr[k]);
        if (mapsInside(m2, vmrSize, fmrSize2, x, y, z, &e2) && paintedByte(fmr2[e2], &vmr[k]))
            fmr1[e1] = fmr2[e2];
    });
    forEachVoxel(vmrSize, [&](int32_t x, int32_t y, int32_t z, int64_t) {
        if (!mapsInside(m1, vmrSize, fmrSize1, x, y, z, &e1) ||
            !mapsInside(m2, vmrSize, fmrSize2, x, y, z, &e2))
            return;
        const float a = fmr1[e1], b = fmr2[e2];
        const float aa = a * a, bb = b * b, ab = a * b, difference = a - b;
        const float square = difference * difference;
        s.sa = s.sa + a;
        s.saa = s.saa + aa;
        s.sb = s.sb + b;
        s.sbb = s.sbb + bb;
        s.sab = s.sab + ab;
        s.ssd = s.ssd + square;
        ++s.pairs;
    });
    return s;
}

void referenceSampleVmrIntoFmr(const Matrix4& m, const unsigned char* vmr, const GridSize& vmrSize,
                               float* fmr, const GridSize& fmrSize) {
    int64_t e;
    forEachVoxel(fmrSize, [&](int32_t x, int32_t y, int32_t z, int64_t k) {
        if (mapsInside(m, fmrSize, vmrSize, x, y, z, &e))
            fmr[k] = static_cast<float>(vmr[e]) * 3.0f;
    });
}
