// The alignment check of one functional run against an anatomical: header comparison in world terms, a
// search of nearby rigid positions by normalised mutual information (also for the left-right mirrored
// functional), and the verdict. Works on images already read with readNiftiImage; keeps no state, so runs
// may be checked in parallel threads.
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
    double maxTranslationMm = 25.0; // search range per axis, around the header position
    double maxRotationDeg = 10.0;   // search range per axis
    int histogramBins = 32;         // intensity bins per image in the joint histogram
    int maxSamples = 24000;         // functional samples per resolution level at most
    double passMm = 2.0;            // mean displacement up to this: pass
    double warnMm = 5.0;            // up to this: warn; beyond: fail
    double minInsidePct = 20.0;     // less of the functional inside the anatomical: too little to judge
    double flipMargin = 0.05; // mirror flagged when its NMI excess (above 1) beats ours by this share, or is
                              // within this share and the mirror wins clearly where the head is asymmetric
    bool mirrorTest = true;   // search the left-right mirrored functional too
};

// Checks one functional against the anatomical. Never throws for bad geometry or data (no overlap, NaN
// samples, one-slice grids): those end in a fail verdict with the reason.
RunCheck checkAlignment(const CheckInputs& anatomical, const CheckInputs& functional,
                        const CheckSettings& settings);

// The functional's best-aligned voxel-to-world affine: correction * the functional's affine.
Matrix4d bestAlignedAffine(const RunCheck& check, const NiftiImage& functional);

// World positions (at the header placement) of the functional's in-brain voxels: those whose mean
// displacement the check reports.
std::vector<Point3d> displacementPoints(const NiftiImage& functional);

#endif
