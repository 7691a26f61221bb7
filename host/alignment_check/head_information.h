// The alignment check's second measure: normalised mutual information of the whole functional (head,
// background and all) against the anatomy. The local correlation looks only inside the eroded brain, where
// a smooth, nearly symmetric brain can leave a rotation barely constrained; the head's outline and the
// brain's edge, which this measure sees, pin it. Added with a small weight on the finest level only, it
// settles what the local correlation leaves flat without moving what it decides.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_HEAD_INFORMATION_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_HEAD_INFORMATION_H

#include "host/alignment_check/check_grid.h"
#include "host/alignment_check/mutual_information.h"

// The anatomy's bins and the functional's samples for the measure.
struct HeadInformation {
    BinnedGrid anatomy;
    SampleSet samples; // empty: the measure is not used
    int bins = 32;
};

// The measure's inputs for a functional against an anatomy, at most maxSamples functional voxels (an empty
// anatomy: the functional's samples only).
HeadInformation headInformation(const ScalarGrid& anatomy, const ScalarGrid& functional, size_t maxSamples);

// NMI - 1 (0: nothing shared .. 1) with the functional moved by placement, times the share of its samples
// that land inside the anatomical; histogram is scratch.
double headInformationAt(const HeadInformation& head, const Matrix4d& placement,
                         std::vector<double>& histogram);

#endif
