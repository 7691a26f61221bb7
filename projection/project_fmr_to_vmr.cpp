// Mapping 1: one FMR painted into the VMR, with the SSD before and the dot-product NCC after painting.
#include "projection/projections.h"

#include "geometry/transformation_builder.h"
#include "projection/grid.h"
#include "projection/walk_kernels.h"

FmrToVmrResult projectFmrToVmr(unsigned char* vmrVoxels, const VmrHeader& vmrHeader,
                               const Matrix4& flipMatrix, const FloatVolume& fmrVolume,
                               const FmrHeader& fmrHeader, const ScannerPositionHeader& fmrPosition,
                               const IaMatrix& iaMatrix) {
    FmrToVmrResult measured;
    measured.factors = buildVmrToFmrMatrix(fmrHeader, fmrPosition, vmrHeader, flipMatrix, iaMatrix);
    const Matrix4& vmrToFmr = measured.factors.result;

    // Both passes in one walk: the SSD against the unpainted bytes, then the sums of the painted ones.
    const VoxelWalk walk = makeVoxelWalk(vmrToFmr, vmrGridSize(vmrHeader), fmrGridSize(fmrHeader, fmrVolume));
    const FmrPaintSums sums = paintFmrIntoVmr(activeKernelPath(), walk, vmrVoxels, fmrVolume.values);
    const float svv = sums.svv, svf = sums.svf, sff = sums.sff;
    measured.ssd = sums.ssd;
    // svf squared is the correctly rounded float square, the value of the float power with exponent 2.
    const float svfSquared = svf * svf;
    const float energy = svv * sff;
    measured.svv = svv;
    measured.svf = svf;
    measured.sff = sff;
    measured.ncc = svfSquared / energy;
    return measured;
}
