// The coarse-to-fine search of rigid positions around the header position: a compass search over the six
// rigid parameters on each resolution level, from large steps to small, the best of each level starting the
// next.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_RIGID_SEARCH_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_RIGID_SEARCH_H

#include <vector>

#include "host/alignment_check/mutual_information.h"

// One resolution level: the anatomical's bins, the functional's samples, and the steps searched on it.
struct SearchLevel {
    BinnedGrid anatomical;
    SampleSet samples;
    double firstStep = 0; // mm of translation (and degrees of rotation) tried first
    double lastStep = 0;  // the search of this level ends when the step falls below this
};

// Where to search and with how many bins.
struct SearchBounds {
    double maxTranslationMm = 25;
    double maxRotationDeg = 10;
    Point3d centre{}; // rotations turn about this world point
    int bins = 32;
};

// The best position found and its measure; the measure at the header position on the finest level.
struct SearchOutcome {
    RigidParameters best;
    double atHeader = 1.0;
    double bestValue = 1.0;
    double headerInsideShare = 0.0; // share of the finest samples inside the anatomical at the header
    bool reachedBound = false;      // the best lies on the edge of the searched range
    int evaluations = 0;
};

// Searches levels in order (coarse first). The header position itself is always a candidate, so bestValue
// is never below atHeader.
SearchOutcome searchRigidOffsets(const std::vector<SearchLevel>& levels, const SearchBounds& bounds);

#endif
