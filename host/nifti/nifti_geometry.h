// The header's placement fields as matrices and back: what the NIfTI library computes from the quaternion,
// and the fields that place a grid by a given voxel-to-scanner affine.
#ifndef POSALIGN_HOST_NIFTI_NIFTI_GEOMETRY_H
#define POSALIGN_HOST_NIFTI_NIFTI_GEOMETRY_H

#include "host/nifti/nifti_file.h"

// The first three rows of the qform's voxel-to-world matrix, in single precision as the library gives them.
void qformRows(const NiftiGeometry& geometry, float rows[3][4]);

// Header geometry for a voxel-to-scanner affine: sform and qform both set to it (code 1, scanner space),
// pixdim from the column lengths, millimetres.
NiftiGeometry geometryFromAffine(const double voxelToScanner[16]);

#endif
