// Mapping 2: the VMR resampled into one FMR's float volume, three times its byte values.
#include "projection/projections.h"

#include "geometry/svd_inverse.h"
#include "geometry/transformation_builder.h"
#include "projection/grid.h"

VmrToFmrResult projectVmrToFmr(const unsigned char* vmrVoxels, const VmrHeader& vmrHeader,
                               const Matrix4& flipMatrix, FloatVolume& fmrVolume, const FmrHeader& fmrHeader,
                               const ScannerPositionHeader& fmrPosition, const IaMatrix& iaMatrix) {
    VmrToFmrResult used;
    used.factors = buildVmrToFmrMatrix(fmrHeader, fmrPosition, vmrHeader, flipMatrix, iaMatrix);
    // A matrix that cannot be decomposed inverts to NaN everywhere, which maps every voxel outside.
    inverse(used.factors.result, used.fmrToVmr);
    const Matrix4& fmrToVmr = used.fmrToVmr;

    const GridSize vmrSize = vmrGridSize(vmrHeader);
    const GridSize fmrSize = fmrGridSize(fmrHeader, fmrVolume);
    const GridOffsets vmrOffsets = centreOffsets(vmrSize);
    const GridOffsets fmrOffsets = centreOffsets(fmrSize);

    for (int32_t z = 0; z < fmrSize.z; ++z) {
        const float cz = centredCoordinate(z, fmrOffsets.z);
        for (int32_t y = 0; y < fmrSize.y; ++y) {
            const float cy = centredCoordinate(y, fmrOffsets.y);
            float* row = fmrVolume.values + voxelOffset(0, y, z, fmrSize);
            for (int32_t x = 0; x < fmrSize.x; ++x) {
                GridIndex source;
                if (mapInsideGrid(fmrToVmr, centredCoordinate(x, fmrOffsets.x), cy, cz, vmrOffsets, vmrSize,
                                  &source)) {
                    row[x] =
                        static_cast<float>(vmrVoxels[voxelOffset(source.x, source.y, source.z, vmrSize)]) *
                        3.0f;
                }
            }
        }
    }
    return used;
}
