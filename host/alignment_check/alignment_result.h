// The result of checking one functional run's alignment against an anatomical: what the headers say, what
// a search of nearby rigid positions found, and the verdict with its reasons. Written to alignment.json and
// alignment.tsv, shown in the report and on the terminal.
//
// Conventions: world is the NIfTI world (RAS, mm), taken from the sform, else the qform, else pixdim.
// Matrices are row-major 4x4 ([i][j] is row i, column j), acting on column vectors.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_ALIGNMENT_RESULT_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_ALIGNMENT_RESULT_H

#include <array>
#include <optional>
#include <string>
#include <vector>

using Matrix4d = std::array<std::array<double, 4>, 4>;

// Header comparison in world terms.
struct HeaderComparison {
    double centreDistanceMm = 0;                  // between the two fields of view's centres
    double rotationDeg = 0;                       // angle of the rotation between the two grids' axes
    bool handednessMatches = true;                // both affines have determinants of the same sign
    std::optional<double> anatomicalQformSformMm; // largest disagreement over the grid; empty: not both set
    std::optional<double> functionalQformSformMm;
    double insidePct = 0;        // share of the functional's voxels inside the anatomical
    long long overlapVoxels = 0; // count of those voxels
};

// The search of rigid positions around the header position.
struct SearchResult {
    std::string measure;     // name of the similarity measure
    double atHeader = 0;     // measure at the header position (higher is better)
    double best = 0;         // at the best position found
    double mirroredBest = 0; // best for the left-right mirrored functional (each at its own best position)
    Matrix4d correction{};   // rigid, world mm: correction * functional affine = best-aligned affine
    std::array<double, 3> translationMm{};
    std::array<double, 3> rotationDeg{};
    double displacementMm = 0; // mean displacement of the functional's in-brain voxels under correction
    bool searched = false;     // the rigid search ran (its measures and correction are set)
    bool lrFlipSuspected = false;
    double standardError = 0; // of the measure at the best position, from the spread over its blocks
    double uncertaintyMm = 0; // how far the best position may be off: the larger of the measure's flatness
                              // at the best (the shift that costs it two standard errors) and the spread
                              // of equally good positions found from different starts
    double seconds = 0;       // wall-clock time of the whole check of this run
    double cpuSeconds = 0;    // processor time of the check's threads (what it costs without other load)
};

// One orientation of the functional tried against the anatomy, at its own best position.
struct OrientationTrial {
    std::string name;     // "as stored", "left-right mirror", ..., "axes swapped (...)"
    double best = 0;      // its best measure
    double ratio = 0;     // best / the best of the run as stored (on the same level)
    bool refined = false; // searched to the finest level; else only screened on a coarser one
};

// Whether the functional is stored in the right orientation.
struct OrientationFinding {
    bool tested = false;
    std::string suspected;  // empty: none; else the error in words ("left-right mirror", ...)
    bool decided = true;    // false: the images cannot tell the orientations apart (see undecided)
    std::string undecided;  // the orientation that came too close to tell, in words
    double threshold = 0;   // decided when the runner-up's ratio to the winner is at most this
    double margin = 0;      // that ratio of the runner-up to the winner
    double marginError = 0; // its standard error, from the two measures' standard errors
    // Left-right only, when the local correlation leaves it open: the strongest block-wise evidence (nats of
    // log-likelihood, 16 mm blocks of the whole functional) for the mirror and for the run as stored.
    double mirrorEvidenceFor = 0;
    double mirrorEvidenceAgainst = 0;
    std::string decidedBy; // "local correlation", "block likelihood" or empty (not decided)
    // The median, over the orientations but the winner and its left-right partner, of their best's ratio to
    // the winner's on the screening level: a head matches well in few orientations, so near 1 means the
    // match does not depend on the orientation at all (a smooth blob, not a head).
    double othersMedianRatio = 0;
    std::vector<OrientationTrial> trials; // as stored first
};

// Worst last: a run that cannot be judged is worse than a warn, better than a fail.
enum class Verdict { kPass, kWarn, kInconclusive, kFail };

// A registration of the functional to the anatomical that another tool wrote (`--xfm`), judged against the
// best position the search found.
struct GivenTransformCheck {
    std::string path;
    std::string format;    // "itk" or "fsl"
    Matrix4d correction{}; // the registration in the convention of SearchResult::correction
    bool judged = false;   // false: the check found no position to compare it with (see reasons)
    double residualMm = 0; // mean distance of the functional's in-brain voxels between the two positions
    Verdict verdict = Verdict::kFail;
    std::vector<std::string> reasons;
};

// One functional run's check. error is set when the run could not be checked at all (a missing or broken
// file); the verdict is then kFail and reasons holds the error.
struct RunCheck {
    std::string functionalPath;
    std::string anatomicalPath;
    HeaderComparison header;
    SearchResult search;
    OrientationFinding orientation;
    Verdict verdict = Verdict::kFail;
    double confidence = 0; // 0..1: how sure the verdict is (see decideVerdict)
    std::vector<std::string> reasons;
    std::string error;
    std::optional<GivenTransformCheck> givenTransform; // only when one was given
};

// "pass", "warn", "inconclusive" or "fail".
const char* verdictName(Verdict verdict);

#endif
