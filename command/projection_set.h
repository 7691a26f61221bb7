// The three projections a run dispatches to, as one record of function pointers.
//
// The plug-in passes the projections of projection/projections.h; tests pass recording stand-ins so the
// dispatch, write-back and saving can be checked on their own.
#ifndef POSALIGN_COMMAND_PROJECTION_SET_H
#define POSALIGN_COMMAND_PROJECTION_SET_H

#include "projection/projections.h"

typedef FmrToVmrResult (*FmrToVmrProjection)(unsigned char* vmrVoxels, const VmrHeader& vmrHeader,
                                             const Matrix4& flipMatrix, const FloatVolume& fmrVolume,
                                             const FmrHeader& fmrHeader,
                                             const ScannerPositionHeader& fmrPosition,
                                             const IaMatrix& iaMatrix);

typedef VmrToFmrResult (*VmrToFmrProjection)(const unsigned char* vmrVoxels, const VmrHeader& vmrHeader,
                                             const Matrix4& flipMatrix, FloatVolume& fmrVolume,
                                             const FmrHeader& fmrHeader,
                                             const ScannerPositionHeader& fmrPosition,
                                             const IaMatrix& iaMatrix);

typedef TwoFmrsToVmrResult (*TwoFmrsToVmrProjection)(
    unsigned char* vmrVoxels, const VmrHeader& vmrHeader, const Matrix4& flipMatrix, FloatVolume& fmrVolume1,
    const FmrHeader& fmrHeader1, const ScannerPositionHeader& fmrPosition1, const IaMatrix& iaMatrix1,
    const FloatVolume& fmrVolume2, const FmrHeader& fmrHeader2, const ScannerPositionHeader& fmrPosition2,
    const IaMatrix& iaMatrix2);

struct ProjectionSet {
    FmrToVmrProjection fmrToVmr;
    VmrToFmrProjection vmrToFmr;
    TwoFmrsToVmrProjection twoFmrsToVmr;
};

// projectFmrToVmr, projectVmrToFmr and projectTwoFmrsToVmr.
ProjectionSet standardProjectionSet(void);

#endif
