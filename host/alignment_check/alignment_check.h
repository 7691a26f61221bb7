// The alignment check of one functional run against an anatomical: header comparison in world terms, a
// search of rigid positions by a local correlation inside the functional's brain (also for the functional
// mirrored along each axis and with two axes swapped), and the verdict with how sure it is. Works on images
// already read with readNiftiImage; keeps no state, so runs may be checked in parallel threads.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_ALIGNMENT_CHECK_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_ALIGNMENT_CHECK_H

#include <string>
#include <vector>

#include "host/alignment_check/alignment_result.h"
#include "host/alignment_check/world_matrix.h"
#include "host/nifti/nifti_file.h"

// One image to check: where it came from and its contents.
struct CheckInputs {
    std::string path;                  // copied into the result as given
    const NiftiImage* image = nullptr; // read with readNiftiImage (either SampleKind); not owned
};

// What the check searches and how it judges.
struct CheckSettings {
    double maxTranslationMm = 40.0; // the start grid's extent per axis around the header position
    double maxRotationDeg = 15.0;   // rotations searched up to a little beyond this
    double blockMm = 12.0;          // side of the blocks the local correlation is taken over
    double erosionMm = 8.0;         // the functional's brain is eroded by this before sampling
    double passMm = 2.0;        // mean displacement up to this (and known to better than passMm / 2): pass
    double warnMm = 5.0;        // up to this: warn; beyond: fail
    double minInsidePct = 20.0; // less of the functional inside the anatomical: too little to judge
    double orientationThreshold = 0.9; // an orientation is decided when the runner-up reaches at most this
                                       // share of the winner's measure
    bool mirrorTest = true;            // try the mirrored and swapped orientations too
};

// Checks one functional against the anatomical. Never throws for bad geometry or data (no overlap, NaN
// samples, one-slice grids): those end in a fail or inconclusive verdict with the reason.
RunCheck checkAlignment(const CheckInputs& anatomical, const CheckInputs& functional,
                        const CheckSettings& settings);

// The functional's best-aligned voxel-to-world affine: correction * the functional's affine.
Matrix4d bestAlignedAffine(const RunCheck& check, const NiftiImage& functional);

// World positions (at the header placement) of the functional's in-brain voxels: those whose mean
// displacement the check reports.
std::vector<Point3d> displacementPoints(const NiftiImage& functional);

#endif
