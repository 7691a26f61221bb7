// Start grid, separated picks and compass refinement of rigid positions under the local correlation.
#include "host/alignment_check/pose_search.h"

#include <algorithm>
#include <cmath>

namespace {

double& parameter(RigidParameters& p, int k) {
    return k < 3 ? p.translationMm[k] : p.rotationDeg[k - 3];
}

double shiftDistance(const RigidParameters& a, const RigidParameters& b) {
    double sum = 0;
    for (int k = 0; k < 3; ++k) {
        sum += (a.translationMm[k] - b.translationMm[k]) * (a.translationMm[k] - b.translationMm[k]);
    }
    return std::sqrt(sum);
}

} // namespace

Matrix4d posePlacement(const PoseProblem& problem, const RigidParameters& parameters) {
    return multiply(rigidMotion(parameters, problem.centre), problem.orientation);
}

Pose poseAt(const PoseProblem& problem, size_t level, const RigidParameters& parameters,
            std::vector<double>& scratch) {
    const CorrelationLevel& grid = (*problem.levels)[level];
    const Matrix4d placement = posePlacement(problem, parameters);
    const CorrelationValue v = localCorrelation(grid, placement, scratch);
    Pose pose;
    pose.parameters = parameters;
    pose.value = problem.sign * v.value;
    pose.correlation = pose.value;
    if (grid.headWeight > 0) {
        pose.value += grid.headWeight * headInformationAt(grid.head, placement, scratch);
    }
    pose.standardError = v.standardError;
    return pose;
}

std::vector<Pose> scoreShiftGrid(const PoseProblem& problem, double stepMm, double rangeMm,
                                 std::vector<double>& scratch) {
    std::vector<Pose> scored;
    const int steps = static_cast<int>(std::floor(rangeMm / stepMm + 1e-9));
    PoseProblem raw = problem;
    raw.sign = 1;
    for (int i = -steps; i <= steps; ++i) {
        for (int j = -steps; j <= steps; ++j) {
            for (int k = -steps; k <= steps; ++k) {
                RigidParameters p;
                p.translationMm = {i * stepMm, j * stepMm, k * stepMm};
                Pose pose = poseAt(raw, 0, p, scratch);
                pose.value = pose.correlation; // a lone level carries the whole-head term, not for starts
                scored.push_back(pose);
            }
        }
    }
    return scored;
}

std::vector<Pose> bestSeparated(std::vector<Pose> scored, double sign, size_t count, double separationMm) {
    for (Pose& pose : scored) {
        pose.value *= sign;
    }
    std::sort(scored.begin(), scored.end(), [](const Pose& a, const Pose& b) { return a.value > b.value; });
    std::vector<Pose> picked;
    for (const Pose& pose : scored) {
        if (picked.size() >= count) {
            break;
        }
        const bool apart = std::all_of(picked.begin(), picked.end(), [&](const Pose& q) {
            return shiftDistance(q.parameters, pose.parameters) >= separationMm;
        });
        if (apart) {
            picked.push_back(pose);
        }
    }
    return picked;
}

Pose refinePose(const PoseProblem& problem, size_t level, const Pose& start, double firstStep,
                double lastStep, int maxEvaluations, std::vector<double>& scratch) {
    Pose best = poseAt(problem, level, start.parameters, scratch);
    int evaluations = 1;
    // The last successful direction is tried first, so a long slope is followed without a full sweep.
    int lastK = 0, lastDirection = 1;
    for (double step = firstStep; step >= lastStep && evaluations < maxEvaluations;) {
        bool moved = false;
        for (int t = 0; t < 12 && evaluations < maxEvaluations; ++t) {
            const int index = (2 * lastK + (lastDirection > 0 ? 0 : 1) + t) % 12;
            const int k = index / 2, direction = index % 2 == 0 ? 1 : -1;
            RigidParameters trial = best.parameters;
            double& value = parameter(trial, k);
            const double limit = k < 3 ? problem.maxTranslationMm : problem.maxRotationDeg;
            const double wanted = std::clamp(value + direction * step, -limit, limit);
            if (wanted == value) {
                continue;
            }
            value = wanted;
            const Pose candidate = poseAt(problem, level, trial, scratch);
            ++evaluations;
            if (candidate.value > best.value) {
                best = candidate;
                lastK = k;
                lastDirection = direction;
                moved = true;
                break;
            }
        }
        if (!moved) {
            step *= 0.5;
        }
    }
    return best;
}
