// The search of rigid positions of the functional (in one orientation) against the anatomy by the local
// correlation: a grid of start shifts scored on the coarsest level, the best few well apart refined by a
// compass search from level to level.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_POSE_SEARCH_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_POSE_SEARCH_H

#include <vector>

#include "host/alignment_check/local_correlation.h"

// What is searched: the levels, the orientation tried and the bounds.
struct PoseProblem {
    const std::vector<CorrelationLevel>* levels = nullptr;
    Matrix4d orientation = identityMatrix(); // world, applied to the functional before the rigid motion
    Point3d centre{};                        // rotations turn about this world point
    double sign = 1;                         // +1: a match correlates positively; -1: negatively
    double maxTranslationMm = 45;            // bounds of the parameters
    double maxRotationDeg = 20;
};

// A position and its measure (sign times the local correlation, plus the whole-head measure where the level
// has one; higher is better).
struct Pose {
    RigidParameters parameters;
    double value = -2;
    double correlation = -2;  // the local correlation alone, signed (what orientations are compared by)
    double standardError = 0; // of the local correlation
};

// The world placement of the functional for parameters: rigidMotion(parameters, centre) * orientation.
Matrix4d posePlacement(const PoseProblem& problem, const RigidParameters& parameters);

// The measure of parameters on one level (value and standard error signed as problem.sign).
Pose poseAt(const PoseProblem& problem, size_t level, const RigidParameters& parameters,
            std::vector<double>& scratch);

// The raw (unsigned) local correlation of every shift on a grid of stepMm over -rangeMm..rangeMm per axis,
// no rotation, on the coarsest level; the shifts in Pose::parameters, the raw value in Pose::value (the
// local correlation alone, also where the coarsest level is the finest and adds the whole-head term).
std::vector<Pose> scoreShiftGrid(const PoseProblem& problem, double stepMm, double rangeMm,
                                 std::vector<double>& scratch);

// The count best of scored (values signed by sign), each at least separationMm from those before it.
std::vector<Pose> bestSeparated(std::vector<Pose> scored, double sign, size_t count, double separationMm);

// Improves start on one level by a compass search from firstStep to lastStep (mm, and degrees alike);
// at most maxEvaluations measures.
Pose refinePose(const PoseProblem& problem, size_t level, const Pose& start, double firstStep,
                double lastStep, int maxEvaluations, std::vector<double>& scratch);

#endif
