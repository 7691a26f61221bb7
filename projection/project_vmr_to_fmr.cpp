// Mapping 2: the VMR resampled into one FMR's float volume, three times its byte values.
#include "projection/projections.h"

#include "geometry/svd_inverse.h"
#include "geometry/transformation_builder.h"
#include "projection/grid.h"
#include "projection/walk_kernels.h"

VmrToFmrResult projectVmrToFmr(const unsigned char* vmrVoxels, const VmrHeader& vmrHeader,
                               const Matrix4& flipMatrix, FloatVolume& fmrVolume, const FmrHeader& fmrHeader,
                               const ScannerPositionHeader& fmrPosition, const IaMatrix& iaMatrix) {
    VmrToFmrResult used;
    used.factors = buildVmrToFmrMatrix(fmrHeader, fmrPosition, vmrHeader, flipMatrix, iaMatrix);
    // A matrix that cannot be decomposed inverts to NaN everywhere, which maps every voxel outside.
    inverse(used.factors.result, used.fmrToVmr);
    const Matrix4& fmrToVmr = used.fmrToVmr;

    const VoxelWalk walk = makeVoxelWalk(fmrToVmr, fmrGridSize(fmrHeader, fmrVolume), vmrGridSize(vmrHeader));
    sampleVmrIntoFmr(walk, vmrVoxels, fmrVolume.values);
    return used;
}
