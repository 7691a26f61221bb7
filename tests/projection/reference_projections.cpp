#include "reference_projections.h"

FmrPaintSums referencePaintFmrIntoVmr(const Matrix4& m, unsigned char* vmr, const GridSize& vmrSize,
                                      const float* fmr, const GridSize& fmrSize) {
    const GridOffsets vmrOffsets = centreOffsets(vmrSize), fmrOffsets = centreOffsets(fmrSize);
    FmrPaintSums sums = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int pass = 1; pass <= 2; ++pass) {
        for (int32_t z = 0; z < vmrSize.z; ++z) {
            const float cz = centredCoordinate(z, vmrOffsets.z);
            for (int32_t y = 0; y < vmrSize.y; ++y) {
                const float cy = centredCoordinate(y, vmrOffsets.y);
                unsigned char* row = vmr + voxelOffset(0, y, z, vmrSize);
                for (int32_t x = 0; x < vmrSize.x; ++x) {
                    GridIndex t;
                    if (!mapInsideGrid(m, centredCoordinate(x, vmrOffsets.x), cy, cz, fmrOffsets, fmrSize,
                                       &t))
                        continue;
                    const float f = fmr[voxelOffset(t.x, t.y, t.z, fmrSize)];
                    if (pass == 1) {
                        const float difference = f - static_cast<float>(row[x]);
                        paintedByte(f, &row[x]);
                        const float square = difference * difference;
                        sums.ssd = sums.ssd + square;
                    } else {
                        const float v = static_cast<float>(row[x]);
                        const float vv = v * v, vf = v * f, ff = f * f;
                        sums.svv = sums.svv + vv;
                        sums.svf = sums.svf + vf;
                        sums.sff = sums.sff + ff;
                    }
                }
            }
        }
    }
    return sums;
}

FmrPairSums referencePaintTwoFmrs(const Matrix4& m1, const Matrix4& m2, unsigned char* vmr,
                                  const GridSize& vmrSize, float* fmr1, const GridSize& fmrSize1,
                                  const float* fmr2, const GridSize& fmrSize2) {
    const GridOffsets vmrOffsets = centreOffsets(vmrSize);
    const GridOffsets offsets1 = centreOffsets(fmrSize1), offsets2 = centreOffsets(fmrSize2);
    FmrPairSums sums = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0};
    for (int pass = 1; pass <= 2; ++pass) {
        for (int32_t z = 0; z < vmrSize.z; ++z) {
            const float cz = centredCoordinate(z, vmrOffsets.z);
            for (int32_t y = 0; y < vmrSize.y; ++y) {
                const float cy = centredCoordinate(y, vmrOffsets.y);
                unsigned char* row = vmr + voxelOffset(0, y, z, vmrSize);
                for (int32_t x = 0; x < vmrSize.x; ++x) {
                    const float cx = centredCoordinate(x, vmrOffsets.x);
                    GridIndex t1, t2;
                    if (!mapInsideGrid(m1, cx, cy, cz, offsets1, fmrSize1, &t1))
                        continue;
                    float* a = &fmr1[voxelOffset(t1.x, t1.y, t1.z, fmrSize1)];
                    if (pass == 1)
                        paintedByte(*a, &row[x]);
                    if (!mapInsideGrid(m2, cx, cy, cz, offsets2, fmrSize2, &t2))
                        continue;
                    const float b = fmr2[voxelOffset(t2.x, t2.y, t2.z, fmrSize2)];
                    if (pass == 1) {
                        if (paintedByte(b, &row[x]))
                            *a = b;
                        continue;
                    }
                    const float aa = *a * *a, bb = b * b, ab = *a * b;
                    const float difference = *a - b;
                    const float square = difference * difference;
                    sums.sa = sums.sa + *a;
                    sums.saa = sums.saa + aa;
                    sums.sb = sums.sb + b;
                    sums.sbb = sums.sbb + bb;
                    sums.sab = sums.sab + ab;
                    sums.ssd = sums.ssd + square;
                    ++sums.pairs;
                }
            }
        }
    }
    return sums;
}

void referenceSampleVmrIntoFmr(const Matrix4& m, const unsigned char* vmr, const GridSize& vmrSize,
                               float* fmr, const GridSize& fmrSize) {
    const GridOffsets vmrOffsets = centreOffsets(vmrSize), fmrOffsets = centreOffsets(fmrSize);
    for (int32_t z = 0; z < fmrSize.z; ++z) {
        const float cz = centredCoordinate(z, fmrOffsets.z);
        for (int32_t y = 0; y < fmrSize.y; ++y) {
            const float cy = centredCoordinate(y, fmrOffsets.y);
            float* row = fmr + voxelOffset(0, y, z, fmrSize);
            for (int32_t x = 0; x < fmrSize.x; ++x) {
                GridIndex s;
                if (mapInsideGrid(m, centredCoordinate(x, fmrOffsets.x), cy, cz, vmrOffsets, vmrSize, &s))
                    row[x] = static_cast<float>(vmr[voxelOffset(s.x, s.y, s.z, vmrSize)]) * 3.0f;
            }
        }
    }
}
