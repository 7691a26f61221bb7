// The voxel-to-voxel transformation from the VMR grid to an FMR grid.
#ifndef POSALIGN_GEOMETRY_TRANSFORMATION_BUILDER_H
#define POSALIGN_GEOMETRY_TRANSFORMATION_BUILDER_H

#include "geometry/matrix4.h"
#include "host_api/host_records.h"

// Every factor of one VMR-to-FMR transformation, as the run's log shows them: F, Sf and Sv always; the past
// flip matrix T only when pastIncorporated; then the result.
struct VmrToFmrFactors {
    Matrix4 sliceFlip;          // F: the slice-order flip
    Matrix4 fmrInverseScaling;  // Sf: 1 / FMR voxel sizes
    Matrix4 vmrScaling;         // Sv: VMR voxel sizes
    bool pastIncorporated;      // T has a diagonal element other than 1 (NaN included)
    Matrix4 pastFlip;           // T as received
    Matrix4 pastTransformation; // P: F * T when incorporated, else the identity
    Matrix4 result;             // F * Sf * IA * P * Sv, evaluated from the left
};

// The factors and the matrix that maps centred VMR voxel coordinates to centred FMR voxel coordinates (IA is
// the converted initial alignment). Nothing is validated: zero voxel sizes show as infinities.
VmrToFmrFactors buildVmrToFmrMatrix(const FmrHeader& fmrHeader, const ScannerPositionHeader& fmrPosition,
                                    const VmrHeader& vmrHeader, const Matrix4& flipMatrix,
                                    const IaMatrix& iaMatrix);

// Writes the slice-order flip F from d = first - last slice centre: when |dZ| or |dY| exceeds |dX|,
// F[2][2] = -1 if dZ < 0; otherwise F[0][0] = -1 if dX > 0; else (and for NaN differences) the identity.
void buildSliceOrderFlip(const ScannerPositionHeader& fmrPosition, Matrix4& result);

#endif
