// The voxel-to-voxel transformation from the VMR grid to an FMR grid.
#ifndef POSALIGN_GEOMETRY_TRANSFORMATION_BUILDER_H
#define POSALIGN_GEOMETRY_TRANSFORMATION_BUILDER_H

#include "geometry/matrix4.h"
#include "plugin/host_records.h"

// Writes into result the matrix F * Sf * IA * P * Sv that maps centred VMR voxel coordinates to centred FMR
// voxel coordinates (F slice-order flip, Sf inverse FMR voxel sizes, IA the converted initial alignment,
// P the past transformation with the flip incorporated or the identity, Sv VMR voxel sizes), and logs F,
// Sf, Sv, the flip matrix when it is incorporated, and the result. Nothing is validated: zero voxel sizes
// show as infinities.
void buildVmrToFmrMatrix(const FmrHeader& fmrHeader, const ScannerPositionHeader& fmrPosition,
                         const VmrHeader& vmrHeader, const Matrix4& flipMatrix, const IaMatrix& iaMatrix,
                         Matrix4& result);

// Writes the slice-order flip F from d = first - last slice centre: when |dZ| or |dY| exceeds |dX|,
// F[2][2] = -1 if dZ < 0; otherwise F[0][0] = -1 if dX > 0; else (and for NaN differences) the identity.
void buildSliceOrderFlip(const ScannerPositionHeader& fmrPosition, Matrix4& result);

#endif
