// The three projections between the VMR grid and the FMR grids, with their similarity measures.
//
// Each builds the VMR-to-FMR matrix from the records, walks one grid in z, y, x order, maps every voxel by
// nearest neighbour into the other grid and returns what it measured with the builder's factors. They change
// only the volumes handed to them (the VMR bytes, or an FMR's FloatVolume) and never call the host, so they
// can be run as often as a caller likes. The FloatVolumes must hold dimX*dimY*dimZ elements of their
// FmrHeader.
#ifndef POSALIGN_PROJECTION_PROJECTIONS_H
#define POSALIGN_PROJECTION_PROJECTIONS_H

#include <stdint.h>

#include "geometry/matrix4.h"
#include "geometry/transformation_builder.h"
#include "host_api/host_records.h"
#include "projection/float_volume.h"

// What painting one FMR into the VMR measured. Sums in single precision, in traversal order.
struct FmrToVmrResult {
    VmrToFmrFactors factors; // of the FMR; factors.result is the matrix that was applied
    float ssd;               // sum of (f - byte before painting)^2 over the VMR voxels inside the FMR
    float svv, svf, sff;     // after painting: sums of v*v, v*f, f*f over the same voxels
    float ncc;               // svf^2 / (svv * sff)
};

// What resampling the VMR into one FMR used.
struct VmrToFmrResult {
    VmrToFmrFactors factors; // of the FMR
    Matrix4 fmrToVmr;        // the inverse of factors.result; NaN everywhere when it cannot be inverted
};

// What painting two FMRs into the VMR measured over the VMR voxels inside both.
struct TwoFmrsToVmrResult {
    VmrToFmrFactors factors1, factors2;
    int64_t pairs;                    // voxels inside both FMRs
    float sa, saa, sb, sbb, sab, ssd; // a of FMR 1 (after the copy), b of FMR 2
    float negativeCorrelation;        // -(n*sab - sb*sa) / (sqrt(n*saa - sa^2) * sqrt(n*sbb - sb^2))
    float ncc;                        // sab^2 / (sbb * saa)
};

// Paints the FMR (values above 20) into the VMR bytes in place; measures the SSD against the unpainted bytes
// and the dot-product NCC after painting. The FloatVolume is only read.
FmrToVmrResult projectFmrToVmr(unsigned char* vmrVoxels, const VmrHeader& vmrHeader,
                               const Matrix4& flipMatrix, const FloatVolume& fmrVolume,
                               const FmrHeader& fmrHeader, const ScannerPositionHeader& fmrPosition,
                               const IaMatrix& iaMatrix);

// Replaces every FloatVolume element whose voxel lies inside the VMR by three times the VMR byte there;
// the VMR is only read. A matrix that cannot be inverted maps nothing inside, leaving the volume as it was.
VmrToFmrResult projectVmrToFmr(const unsigned char* vmrVoxels, const VmrHeader& vmrHeader,
                               const Matrix4& flipMatrix, FloatVolume& fmrVolume, const FmrHeader& fmrHeader,
                               const ScannerPositionHeader& fmrPosition, const IaMatrix& iaMatrix);

// Paints FMR 1 then FMR 2 into the VMR, copies FMR 2 values above 20 into FMR 1's volume where both overlap,
// and measures the pairs of the VMR voxels inside both FMRs. The second FloatVolume is only read.
TwoFmrsToVmrResult projectTwoFmrsToVmr(unsigned char* vmrVoxels, const VmrHeader& vmrHeader,
                                       const Matrix4& flipMatrix, FloatVolume& fmrVolume1,
                                       const FmrHeader& fmrHeader1, const ScannerPositionHeader& fmrPosition1,
                                       const IaMatrix& iaMatrix1, const FloatVolume& fmrVolume2,
                                       const FmrHeader& fmrHeader2, const ScannerPositionHeader& fmrPosition2,
                                       const IaMatrix& iaMatrix2);

#endif
