// What zrCalculateIAMatrix computes: the initial FMR-to-VMR alignment from the two scanner position records
// and the VMR's past transformations.
//
// Outputs, chosen so that the plug-in's chain F x Sf x IA x P x Sv (F the slice-order flip that the plug-in
// derives from the FMR's slice centres, Sf = diag(1 / FMR voxel size), Sv = diag(VMR voxel size),
// IA = convertIaMatrix(ia), P = identity when flip has 1, 1, 1 on its diagonal, else F x flip) maps every
// centred VMR voxel coordinate to the centred FMR voxel coordinate of the same scanner position:
// - flip: diag(s0, s1, s2, 1) from the recorded flips (the identity without history), row-major;
// - ia: the affine part [L | u] that the chain needs, stored so that convertIaMatrix returns it: s[4i+j] =
//   L[j][i] (i, j < 3), (s3, s7, s11) = -L^-1 u, s12..s14 = 0, s15 = 1. For a rigid L this is the inverse
//   [L | u]^-1 stored row by row.
// Computed in double, stored as floats.
#ifndef POSALIGN_HOST_CORE_INITIAL_ALIGNMENT_H
#define POSALIGN_HOST_CORE_INITIAL_ALIGNMENT_H

#include "host_api/host_records.h"

// Writes ia and flip (16 floats, row-major); true on success. When a record cannot be read or the geometry
// is singular it writes the identity to both and returns false.
bool computeInitialAlignment(const ScannerPositionHeader* fmrPosition,
                             const ScannerPositionHeader* vmrPosition,
                             const PastTransformationsHeader* pastTransformations, IaMatrix* ia,
                             float flipMatrix[16]);

// The slice-order flip the plug-in derives from an FMR record's slice centres, as diag(+-1) signs:
// flipX or flipZ is -1 (at most one), computed in single precision as the plug-in does.
void sliceOrderFlipSigns(const ScannerPositionHeader* fmrPosition, int* flipX, int* flipZ);

#endif
