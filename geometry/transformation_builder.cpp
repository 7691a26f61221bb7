// Composition of the VMR-to-FMR voxel transformation from the headers, factor by factor.
#include "geometry/transformation_builder.h"

#include <math.h>

void buildSliceOrderFlip(const ScannerPositionHeader& fmrPosition, Matrix4& result) {
    setIdentity(result);
    float dX = fmrPosition.firstSliceCenterX - fmrPosition.lastSliceCenterX;
    float dY = fmrPosition.firstSliceCenterY - fmrPosition.lastSliceCenterY;
    float dZ = fmrPosition.firstSliceCenterZ - fmrPosition.lastSliceCenterZ;
    // Slices stacked mostly along z (or y) are mirrored in z when they were acquired top-down; otherwise
    // mirrored in x when acquired from right to left. A dominant y only selects the z rule.
    if (fabsf(dZ) > fabsf(dX) || fabsf(dY) > fabsf(dX)) {
        if (dZ < 0.0f) {
            result.m[10] = -1.0f;
        }
    } else if (dX > 0.0f) {
        result.m[0] = -1.0f;
    }
}

VmrToFmrFactors buildVmrToFmrMatrix(const FmrHeader& fmrHeader, const ScannerPositionHeader& fmrPosition,
                                    const VmrHeader& vmrHeader, const Matrix4& flipMatrix,
                                    const IaMatrix& iaMatrix) {
    VmrToFmrFactors factors;
    Matrix4 initialAlignment;
    convertIaMatrix(iaMatrix, initialAlignment);

    buildSliceOrderFlip(fmrPosition, factors.sliceFlip);
    setScaling(factors.fmrInverseScaling, 1.0f / fmrHeader.voxelSizeX, 1.0f / fmrHeader.voxelSizeY,
               1.0f / fmrHeader.voxelSizeZ);
    setScaling(factors.vmrScaling, vmrHeader.voxelSizeX, vmrHeader.voxelSizeY, vmrHeader.voxelSizeZ);

    // The past transformation counts only when it mirrors or scales an axis; a NaN diagonal counts too.
    factors.pastFlip = flipMatrix;
    factors.pastIncorporated = flipMatrix.m[0] != 1.0f || flipMatrix.m[5] != 1.0f || flipMatrix.m[10] != 1.0f;
    if (factors.pastIncorporated) {
        multiply(factors.sliceFlip, flipMatrix, factors.pastTransformation);
    } else {
        setIdentity(factors.pastTransformation);
    }

    // Evaluated from the left, so the rounding of every product is fixed.
    Matrix4 flipScaled, aligned, withPast;
    multiply(factors.sliceFlip, factors.fmrInverseScaling, flipScaled);
    multiply(flipScaled, initialAlignment, aligned);
    multiply(aligned, factors.pastTransformation, withPast);
    multiply(withPast, factors.vmrScaling, factors.result);
    return factors;
}
