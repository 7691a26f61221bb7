// Mapping 3: two FMRs painted into the VMR, FMR 2 copied into FMR 1 where both overlap, and the two
// compared over the VMR voxels that both cover.
#include "projection/projections.h"

#include <math.h>

#include "geometry/transformation_builder.h"
#include "projection/grid.h"
#include "projection/walk_kernels.h"

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
    const VoxelWalk walk1 = makeVoxelWalk(vmrToFmr1, vmrSize, fmrGridSize(fmrHeader1, fmrVolume1));
    const VoxelWalk walk2 = makeVoxelWalk(vmrToFmr2, vmrSize, fmrGridSize(fmrHeader2, fmrVolume2));
    const KernelPath path = activeKernelPath();

    // Pass 1: paint FMR 1, then FMR 2 on top, copying FMR 2 into FMR 1. Pass 2: sums over the VMR voxels
    // inside both FMRs, with FMR 1 as pass 1 left it; no threshold.
    paintTwoFmrsIntoVmr(path, walk1, walk2, vmrVoxels, fmrVolume1.values, fmrVolume2.values);
    const FmrPairSums pairSums = compareTwoFmrs(path, walk1, walk2, fmrVolume1.values, fmrVolume2.values);
    const float sa = pairSums.sa, saa = pairSums.saa, sb = pairSums.sb, sbb = pairSums.sbb,
                sab = pairSums.sab, ssd = pairSums.ssd;
    const int64_t pairs = pairSums.pairs;

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
