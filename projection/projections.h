// The three projections between the VMR grid and the FMR grids, with their similarity measures.
//
// Each builds the VMR-to-FMR matrix from the records (logging its factors), walks one grid in z, y, x order,
// maps every voxel by nearest neighbour into the other grid and logs its results through the host table.
// The FloatVolumes must hold dimX*dimY*dimZ elements of their FmrHeader.
#ifndef POSALIGN_PROJECTION_PROJECTIONS_H
#define POSALIGN_PROJECTION_PROJECTIONS_H

#include "geometry/matrix4.h"
#include "plugin/host_records.h"
#include "projection/float_volume.h"

// Paints the FMR (values above 20) into the VMR bytes in place; logs the SSD against the unpainted bytes and
// the dot-product NCC after painting; asks the host to redraw. The FloatVolume is only read.
void projectFmrToVmr(unsigned char* vmrVoxels, const VmrHeader& vmrHeader, const Matrix4& flipMatrix,
                     const FloatVolume& fmrVolume, const FmrHeader& fmrHeader,
                     const ScannerPositionHeader& fmrPosition, const IaMatrix& iaMatrix);

// Replaces every FloatVolume element whose voxel lies inside the VMR by three times the VMR byte there;
// the VMR is only read. A matrix that cannot be inverted maps nothing inside, leaving the volume as it was.
void projectVmrToFmr(const unsigned char* vmrVoxels, const VmrHeader& vmrHeader, const Matrix4& flipMatrix,
                     FloatVolume& fmrVolume, const FmrHeader& fmrHeader,
                     const ScannerPositionHeader& fmrPosition, const IaMatrix& iaMatrix);

// Paints FMR 1 then FMR 2 into the VMR, copies FMR 2 values above 20 into FMR 1's volume where both overlap,
// logs the (sign-reversed) correlation over the VMR voxels inside both FMRs, the dot-product NCC and the
// SSD of those pairs; asks the host to redraw. The second FloatVolume is only read.
void projectTwoFmrsToVmr(unsigned char* vmrVoxels, const VmrHeader& vmrHeader, const Matrix4& flipMatrix,
                         FloatVolume& fmrVolume1, const FmrHeader& fmrHeader1,
                         const ScannerPositionHeader& fmrPosition1, const IaMatrix& iaMatrix1,
                         const FloatVolume& fmrVolume2, const FmrHeader& fmrHeader2,
                         const ScannerPositionHeader& fmrPosition2, const IaMatrix& iaMatrix2);

#endif
