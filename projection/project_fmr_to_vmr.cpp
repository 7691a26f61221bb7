// Mapping 1: one FMR painted into the VMR, with the SSD before and the dot-product NCC after painting.
#include "projection/projections.h"

#include "geometry/transformation_builder.h"
#include "projection/grid.h"

FmrToVmrResult projectFmrToVmr(unsigned char* vmrVoxels, const VmrHeader& vmrHeader,
                               const Matrix4& flipMatrix, const FloatVolume& fmrVolume,
                               const FmrHeader& fmrHeader, const ScannerPositionHeader& fmrPosition,
                               const IaMatrix& iaMatrix) {
    FmrToVmrResult measured;
    measured.factors = buildVmrToFmrMatrix(fmrHeader, fmrPosition, vmrHeader, flipMatrix, iaMatrix);
    const Matrix4& vmrToFmr = measured.factors.result;

    const GridSize vmrSize = vmrGridSize(vmrHeader);
    const GridSize fmrSize = fmrGridSize(fmrHeader, fmrVolume);
    const GridOffsets vmrOffsets = centreOffsets(vmrSize);
    const GridOffsets fmrOffsets = centreOffsets(fmrSize);
    const float* fmrValues = fmrVolume.values;

    // Pass 1: paint, and compare each overlapping voxel with the byte it had before.
    float ssd = 0.0f;
    for (int32_t z = 0; z < vmrSize.z; ++z) {
        const float cz = centredCoordinate(z, vmrOffsets.z);
        for (int32_t y = 0; y < vmrSize.y; ++y) {
            const float cy = centredCoordinate(y, vmrOffsets.y);
            unsigned char* row = vmrVoxels + voxelOffset(0, y, z, vmrSize);
            for (int32_t x = 0; x < vmrSize.x; ++x) {
                GridIndex target;
                if (!mapInsideGrid(vmrToFmr, centredCoordinate(x, vmrOffsets.x), cy, cz, fmrOffsets, fmrSize,
                                   &target)) {
                    continue;
                }
                const float f = fmrValues[voxelOffset(target.x, target.y, target.z, fmrSize)];
                const float difference = f - static_cast<float>(row[x]);
                paintedByte(f, &row[x]);
                const float square = difference * difference;
                ssd = ssd + square;
            }
        }
    }
    measured.ssd = ssd;

    // Pass 2: dot-product sums of the painted VMR against the FMR.
    float svv = 0.0f, svf = 0.0f, sff = 0.0f;
    for (int32_t z = 0; z < vmrSize.z; ++z) {
        const float cz = centredCoordinate(z, vmrOffsets.z);
        for (int32_t y = 0; y < vmrSize.y; ++y) {
            const float cy = centredCoordinate(y, vmrOffsets.y);
            const unsigned char* row = vmrVoxels + voxelOffset(0, y, z, vmrSize);
            for (int32_t x = 0; x < vmrSize.x; ++x) {
                GridIndex target;
                if (!mapInsideGrid(vmrToFmr, centredCoordinate(x, vmrOffsets.x), cy, cz, fmrOffsets, fmrSize,
                                   &target)) {
                    continue;
                }
                const float f = fmrValues[voxelOffset(target.x, target.y, target.z, fmrSize)];
                const float v = static_cast<float>(row[x]);
                const float vv = v * v, vf = v * f, ff = f * f;
                svv = svv + vv;
                svf = svf + vf;
                sff = sff + ff;
            }
        }
    }
    // svf squared is the correctly rounded float square, the value of the float power with exponent 2.
    const float svfSquared = svf * svf;
    const float energy = svv * sff;
    measured.svv = svv;
    measured.svf = svf;
    measured.sff = sff;
    measured.ncc = svfSquared / energy;
    return measured;
}
