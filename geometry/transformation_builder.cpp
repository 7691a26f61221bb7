// Composition of the VMR-to-FMR voxel transformation from the headers, logged factor by factor.
#include "geometry/transformation_builder.h"

#include <math.h>

#include "geometry/matrix_log.h"

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

void buildVmrToFmrMatrix(const FmrHeader& fmrHeader, const ScannerPositionHeader& fmrPosition,
                         const VmrHeader& vmrHeader, const Matrix4& flipMatrix, const IaMatrix& iaMatrix,
                         Matrix4& result) {
    Matrix4 initialAlignment;
    convertIaMatrix(iaMatrix, initialAlignment);

    Matrix4 sliceFlip;
    buildSliceOrderFlip(fmrPosition, sliceFlip);
    logMatrix(sliceFlip.m, "Flipping matrix, based on slice acquisition order");

    Matrix4 fmrInverseScaling;
    setScaling(fmrInverseScaling, 1.0f / fmrHeader.voxelSizeX, 1.0f / fmrHeader.voxelSizeY,
               1.0f / fmrHeader.voxelSizeZ);
    logMatrix(fmrInverseScaling.m, "FMR inverse scaling matrix");

    Matrix4 vmrScaling;
    setScaling(vmrScaling, vmrHeader.voxelSizeX, vmrHeader.voxelSizeY, vmrHeader.voxelSizeZ);
    logMatrix(vmrScaling.m, "VMR scaling matrix");

    // The past transformation counts only when it mirrors or scales an axis; a NaN diagonal counts too.
    Matrix4 pastTransformation;
    setIdentity(pastTransformation);
    if (flipMatrix.m[0] != 1.0f || flipMatrix.m[5] != 1.0f || flipMatrix.m[10] != 1.0f) {
        logMatrix(flipMatrix.m, "Incorporating flip in past VMR transformation");
        multiply(sliceFlip, flipMatrix, pastTransformation);
    }

    // Evaluated from the left, so the rounding of every product is fixed.
    Matrix4 flipScaled, aligned, withPast;
    multiply(sliceFlip, fmrInverseScaling, flipScaled);
    multiply(flipScaled, initialAlignment, aligned);
    multiply(aligned, pastTransformation, withPast);
    multiply(withPast, vmrScaling, result);
    logMatrix(result.m, "Final VMR 2 FMR matrix");
}
