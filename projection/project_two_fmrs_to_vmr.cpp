// Mapping 3: two FMRs painted into the VMR, FMR 2 copied into FMR 1 where both overlap, and the two
// compared over the VMR voxels that both cover.
#include "projection/projections.h"

#include <math.h>

#include "geometry/transformation_builder.h"
#include "projection/grid.h"

TwoFmrsToVmrResult projectTwoFmrsToVmr(unsigned char* vmrVoxels, const VmrHeader& vmrHeader,
                                       const Matrix4& flipMatrix, FloatVolume& fmrVolume1,
                                       const FmrHeader& fmrHeader1, const ScannerPositionHeader& fmrPosition1,
                                       const IaMatrix& iaMatrix1, const FloatVolume& fmrVolume2,
                                       const FmrHeader& fmrHeader2, const ScannerPositionHeader& fmrPosition2,
                                       const IaMatrix& iaMatrix2) {
    TwoFmrsToVmrResult measured;
    measured.factors1 = buildVmrToFmrMatrix(fmrHeader1, fmrPosition1, vmrHeader, flipMatrix, iaMatrix1);
    measured.factors2 = buildVmrToFmrMatrix(fmrHeader2, fmrPosition2, vmrHeader, flipMatrix, iaMatrix2);
    const Matrix4& vmrToFmr1 = measured.factors1.result;
    const Matrix4& vmrToFmr2 = measured.factors2.result;

    const GridSize vmrSize = vmrGridSize(vmrHeader);
    const GridSize fmrSize1 = fmrGridSize(fmrHeader1, fmrVolume1);
    const GridSize fmrSize2 = fmrGridSize(fmrHeader2, fmrVolume2);
    const GridOffsets vmrOffsets = centreOffsets(vmrSize);
    const GridOffsets fmrOffsets1 = centreOffsets(fmrSize1);
    const GridOffsets fmrOffsets2 = centreOffsets(fmrSize2);
    float* values1 = fmrVolume1.values;
    const float* values2 = fmrVolume2.values;

    // Pass 1: paint FMR 1, then FMR 2 on top, copying FMR 2 into FMR 1. V1 is read as this pass leaves
    // it, so a value copied for an earlier voxel is what a later voxel paints.
    for (int32_t z = 0; z < vmrSize.z; ++z) {
        const float cz = centredCoordinate(z, vmrOffsets.z);
        for (int32_t y = 0; y < vmrSize.y; ++y) {
            const float cy = centredCoordinate(y, vmrOffsets.y);
            unsigned char* row = vmrVoxels + voxelOffset(0, y, z, vmrSize);
            for (int32_t x = 0; x < vmrSize.x; ++x) {
                const float cx = centredCoordinate(x, vmrOffsets.x);
                GridIndex target1;
                if (!mapInsideGrid(vmrToFmr1, cx, cy, cz, fmrOffsets1, fmrSize1, &target1)) {
                    continue;
                }
                float* a = &values1[voxelOffset(target1.x, target1.y, target1.z, fmrSize1)];
                paintedByte(*a, &row[x]);
                GridIndex target2;
                if (!mapInsideGrid(vmrToFmr2, cx, cy, cz, fmrOffsets2, fmrSize2, &target2)) {
                    continue;
                }
                const float b = values2[voxelOffset(target2.x, target2.y, target2.z, fmrSize2)];
                if (paintedByte(b, &row[x])) {
                    *a = b;
                }
            }
        }
    }

    // Pass 2: sums over the VMR voxels inside both FMRs, with V1 as pass 1 left it; no threshold.
    float sa = 0.0f, saa = 0.0f, sb = 0.0f, sbb = 0.0f, sab = 0.0f, ssd = 0.0f;
    int64_t pairs = 0;
    for (int32_t z = 0; z < vmrSize.z; ++z) {
        const float cz = centredCoordinate(z, vmrOffsets.z);
        for (int32_t y = 0; y < vmrSize.y; ++y) {
            const float cy = centredCoordinate(y, vmrOffsets.y);
            for (int32_t x = 0; x < vmrSize.x; ++x) {
                const float cx = centredCoordinate(x, vmrOffsets.x);
                GridIndex target1;
                if (!mapInsideGrid(vmrToFmr1, cx, cy, cz, fmrOffsets1, fmrSize1, &target1)) {
                    continue;
                }
                GridIndex target2;
                if (!mapInsideGrid(vmrToFmr2, cx, cy, cz, fmrOffsets2, fmrSize2, &target2)) {
                    continue;
                }
                const float a = values1[voxelOffset(target1.x, target1.y, target1.z, fmrSize1)];
                const float b = values2[voxelOffset(target2.x, target2.y, target2.z, fmrSize2)];
                const float aa = a * a, bb = b * b, ab = a * b;
                const float difference = a - b;
                const float square = difference * difference;
                sa = sa + a;
                saa = saa + aa;
                sb = sb + b;
                sbb = sbb + bb;
                sab = sab + ab;
                ssd = ssd + square;
                ++pairs;
            }
        }
    }

    // The correlation over the pairs that entered the sums, reported with its sign reversed.
    const float n = static_cast<float>(pairs);
    const float nSab = n * sab, sbSa = sb * sa;
    const float numerator = nSab - sbSa;
    const float nSaa = n * saa, saSa = sa * sa;
    const float deviation1 = sqrtf(nSaa - saSa);
    const float nSbb = n * sbb, sbSb = sb * sb;
    const float deviation2 = sqrtf(nSbb - sbSb);
    const float deviations = deviation1 * deviation2;
    const float negativeCorrelation = -(numerator / deviations);
    // sab squared is the correctly rounded float square, the value of the float power with exponent 2.
    const float sabSquared = sab * sab;
    const float energy = sbb * saa;
    measured.pairs = pairs;
    measured.sa = sa;
    measured.saa = saa;
    measured.sb = sb;
    measured.sbb = sbb;
    measured.sab = sab;
    measured.ssd = ssd;
    measured.negativeCorrelation = negativeCorrelation;
    measured.ncc = sabSquared / energy;
    return measured;
}
