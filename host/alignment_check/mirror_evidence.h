// Local evidence for or against a left-right mirror. A head is nearly symmetric, so the mirrored
// functional can match the anatomy almost as well overall as the right one; the difference lies in the few
// places where the head is not symmetric. Comparing the two placements block by block finds those places:
// a real flip shows as blocks that strongly prefer the mirror and none that strongly prefer the original.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_MIRROR_EVIDENCE_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_MIRROR_EVIDENCE_H

#include "host/alignment_check/mutual_information.h"

// The strongest block-wise evidence either way, in nats of log-likelihood.
struct MirrorEvidence {
    double forMirror = 0.0;     // the largest gain of any block under the mirrored placement
    double againstMirror = 0.0; // the largest gain of any block under the unmirrored placement
};

// Each sample's log-likelihood of its functional bin given the anatomical bins it lands on (under each
// placement's own joint histogram), summed per block of about blockMm of the functional grid and compared.
// unmirrored and mirrored are world placements acting after the samples' affine.
MirrorEvidence compareMirrorLocally(const BinnedGrid& anatomical, const SampleSet& samples,
                                    const Matrix4d& unmirrored, const Matrix4d& mirrored, int bins,
                                    double blockMm);

#endif
