// How the alignment check reads its images, from files or from memory: the same rules wherever the
// images come from (the command line, a plug-in run's report, Python).
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_CHECK_READ_RULES_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_CHECK_READ_RULES_H

#include "host/nifti/nifti_file.h"

struct CheckReadRules {
    SampleKind kind;
    NiftiLimits limits;
};

// The anatomical: one volume of float samples, at most kMaxAnatomicalVoxelsPerAxis along each axis.
CheckReadRules anatomicalReadRules();

// A functional run: all its volumes, unscaled int16 samples kept as int16.
CheckReadRules functionalReadRules();

#endif
