// Where the functional grids lie in the anatomical grid: the box a window outlines and the point its three
// planes pass through.
#ifndef POSALIGN_HOST_PLUGIN_RUN_FUNCTIONAL_COVERAGE_H
#define POSALIGN_HOST_PLUGIN_RUN_FUNCTIONAL_COVERAGE_H

#include "host/core/workspace.h"

// A box in VMR voxel coordinates and the voxel at its centre (clamped into the VMR grid).
struct FunctionalCoverage {
    bool valid = false; // false when a geometry cannot be inverted or there is no FMR
    float minimum[3] = {0, 0, 0};
    float maximum[3] = {0, 0, 0};
    int centre[3] = {0, 0, 0};
};

// The smallest axis-aligned box in VMR voxel coordinates holding every FMR grid (voxel edges included),
// from the documents' voxel-to-scanner geometry. Without a valid box the centre is the VMR's centre.
FunctionalCoverage functionalCoverage(const HostDocument* vmr, const HostDocument* const* fmrs, int fmrCount);

#endif
