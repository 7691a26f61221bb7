// The phantom's intensities at a scanner position, for tests and benchmarks that sample the head object
// directly instead of through a grid of the phantom.
#ifndef POSALIGN_TESTS_SUPPORT_PHANTOM_INTENSITY_H
#define POSALIGN_TESTS_SUPPORT_PHANTOM_INTENSITY_H

#include "host/core/phantom_object.h"

// Anatomical intensity (0..225) of the tissue at scanner position (x, y, z) mm.
inline float phantomAnatomicalIntensity(float x, float y, float z) {
    return anatomicalTissueIntensity(phantomTissue(x, y, z));
}

// Functional (EPI-like) intensity of the first volume at scanner position (x, y, z) mm.
inline float phantomFunctionalIntensity(float x, float y, float z) {
    return functionalTissueIntensity(phantomTissue(x, y, z), 0);
}

#endif
