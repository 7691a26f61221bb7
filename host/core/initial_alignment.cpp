// The initial FMR-to-VMR alignment that zrCalculateIAMatrix hands to the plug-in.
#include "host/core/initial_alignment.h"

#include <math.h>

#include "host/core/affine_math.h"
#include "host/core/past_transformations.h"
#include "host/core/scanner_geometry.h"

static void writeIdentityOutputs(IaMatrix* ia, float flipMatrix[16]) {
    for (int k = 0; k < 16; ++k) {
        ia->s[k] = k % 5 == 0 ? 1.0f : 0.0f;
        flipMatrix[k] = k % 5 == 0 ? 1.0f : 0.0f;
    }
}

static void diagonal(double out[16], double x, double y, double z) {
    affineIdentity(out);
    out[0] = x;
    out[5] = y;
    out[10] = z;
}

void sliceOrderFlipSigns(const ScannerPositionHeader* fmrPosition, int* flipX, int* flipZ) {
    // Single precision and strict comparisons, exactly as the plug-in decides.
    const float dX = fmrPosition->firstSliceCenterX - fmrPosition->lastSliceCenterX;
    const float dY = fmrPosition->firstSliceCenterY - fmrPosition->lastSliceCenterY;
    const float dZ = fmrPosition->firstSliceCenterZ - fmrPosition->lastSliceCenterZ;
    *flipX = 1;
    *flipZ = 1;
    if (fabsf(dZ) > fabsf(dX) || fabsf(dY) > fabsf(dX)) {
        if (dZ < 0.0f) {
            *flipZ = -1;
        }
    } else if (dX > 0.0f) {
        *flipX = -1;
    }
}

bool computeInitialAlignment(const ScannerPositionHeader* fmrPosition,
                             const ScannerPositionHeader* vmrPosition,
                             const PastTransformationsHeader* pastTransformations, IaMatrix* ia,
                             float flipMatrix[16]) {
    if (ia == 0 || flipMatrix == 0) {
        return false;
    }
    writeIdentityOutputs(ia, flipMatrix);
    if (fmrPosition == 0 || vmrPosition == 0 || pastTransformations == 0) {
        return false;
    }
    int32_t fmrDims[3], vmrDims[3];
    double fmrCentred[16], vmrAcquired[16];
    int sign[3];
    if (!readScannerPosition(fmrPosition, fmrDims, fmrCentred) ||
        !readScannerPosition(vmrPosition, vmrDims, vmrAcquired) || !readNetFlips(pastTransformations, sign)) {
        return false;
    }
    // The VMR data now: the acquired geometry with the recorded mirrors (about the grid centre).
    double mirror[16], vmrCentred[16];
    diagonal(mirror, sign[0], sign[1], sign[2]);
    affineMultiply(vmrAcquired, mirror, vmrCentred);

    // The true mapping from centred VMR voxels to centred FMR voxels.
    double fmrInverse[16], truth[16];
    if (!affineInverse(fmrCentred, fmrInverse)) {
        return false;
    }
    affineMultiply(fmrInverse, vmrCentred, truth);

    // What the plug-in puts around IA: F x Sf on the left, P x Sv on the right.
    int flipX, flipZ;
    sliceOrderFlipSigns(fmrPosition, &flipX, &flipZ);
    const bool incorporated = sign[0] != 1 || sign[1] != 1 || sign[2] != 1;
    double fmrScaleInverse[16], sliceFlip[16], vmrScaleInverse[16], past[16];
    // The records' voxel sizes are the ones the host puts into the headers the plug-in scales with.
    double fmrSize[3], vmrSize[3];
    readScannerVoxelSize(fmrPosition, fmrSize);
    readScannerVoxelSize(vmrPosition, vmrSize);
    diagonal(fmrScaleInverse, fmrSize[0], fmrSize[1], fmrSize[2]);
    diagonal(sliceFlip, flipX, 1.0, flipZ);
    diagonal(vmrScaleInverse, 1.0 / vmrSize[0], 1.0 / vmrSize[1], 1.0 / vmrSize[2]);
    // P = F x T when the flips are incorporated; a diagonal of +-1 is its own inverse.
    if (incorporated) {
        diagonal(past, flipX * sign[0], sign[1], flipZ * sign[2]);
    } else {
        affineIdentity(past);
    }
    double converted[16];
    affineMultiply(fmrScaleInverse, sliceFlip, converted);
    affineMultiply(converted, truth, converted);
    affineMultiply(converted, vmrScaleInverse, converted);
    affineMultiply(converted, past, converted);

    // Stored so that convertIaMatrix, which reads the 3x3 part transposed and translates by the negated
    // stored translation first, gives back `converted`.
    double inverse[16];
    if (!affineInverse(converted, inverse)) {
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            ia->s[4 * i + j] = static_cast<float>(converted[4 * j + i]);
        }
        ia->s[4 * i + 3] = static_cast<float>(inverse[4 * i + 3]);
    }
    ia->s[12] = 0.0f;
    ia->s[13] = 0.0f;
    ia->s[14] = 0.0f;
    ia->s[15] = 1.0f;
    for (int k = 0; k < 16; ++k) {
        flipMatrix[k] = 0.0f;
    }
    flipMatrix[0] = static_cast<float>(sign[0]);
    flipMatrix[5] = static_cast<float>(sign[1]);
    flipMatrix[10] = static_cast<float>(sign[2]);
    flipMatrix[15] = 1.0f;
    return true;
}
