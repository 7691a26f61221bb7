// The search of the functional's position in each orientation it might wrongly be stored in: as stored,
// mirrored along each world axis, and with two world axes swapped. Every orientation is searched from the
// same grid of starts and screened on a middle level; only those that come near the best are refined on
// the finest level, since a wrong orientation must be compared at its own best position, not at ours.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_ORIENTATION_SEARCH_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_ORIENTATION_SEARCH_H

#include <vector>

#include "host/alignment_check/pose_search.h"

// The orientations tried; kAsStored first.
enum class Orientation {
    kAsStored,
    kMirrorLeftRight,
    kMirrorAnteriorPosterior,
    kMirrorSuperiorInferior,
    kSwapLeftRightAnteriorPosterior,
    kSwapLeftRightSuperiorInferior,
    kSwapAnteriorPosteriorSuperiorInferior,
};
inline constexpr int kOrientationCount = 7;

// The orientation in words: "as stored", "left-right mirror", ..., "axes swapped (left-right with
// anterior-posterior)".
const char* orientationWords(Orientation orientation);

// The world matrix that turns the functional as stored into the orientation, about centre.
Matrix4d orientationMatrix(Orientation orientation, const Point3d& centre);

// How the search is run.
struct OrientationSearchPlan {
    double startStepMm = 10;   // the start grid's step for the run as stored
    double otherStepMm = 13.4; // and for the other orientations (screened only: a coarser grid suffices)
    double startRangeMm = 40;  // and extent per axis around the header
    int refinedStarts = 3;     // starts refined for the run as stored
    int otherStarts = 2;       // and for each other orientation
    double startSeparationMm = 10;
    double contenderShare = 0.75; // refined on the finest level when screened at least this share of the best
    double maxTranslationMm = 45;
    double maxRotationDeg = 20;
    bool allOrientations = true; // false: the run as stored only
};

// One orientation's outcome.
struct OrientationOutcome {
    Orientation orientation = Orientation::kAsStored;
    Pose screened; // best on the screening level
    Pose finest;   // best on the finest level (when refined)
    bool refined = false;
    std::vector<Pose> starts; // each refined start's best on the screening level, best first
    // The run as stored only: the starts that ended within two standard errors of the best on the
    // screening level, refined on the finest too (best first): how far apart equally good answers lie.
    std::vector<Pose> finestStarts;
};

// Every orientation's outcome (kAsStored first, always refined) and the sign of the match.
struct OrientationSearch {
    double sign = 1;
    std::vector<OrientationOutcome> outcomes;
    int screeningLevel = 0;
    double helperCpuSeconds = 0; // processor time spent on helper threads
};

// Searches levels (coarse to fine, at least one) about centre.
OrientationSearch searchOrientations(const std::vector<CorrelationLevel>& levels, const Point3d& centre,
                                     const OrientationSearchPlan& plan);

#endif
