// Compass search of the six rigid parameters, coarse to fine.
#include "host/alignment_check/rigid_search.h"

#include <algorithm>
#include <cmath>

namespace {

// Rotations turn the functional's far voxels most; a degree moves a point 60 mm from the centre by about
// a millimetre, so translation steps in mm and rotation steps in degrees are taken alike.
const double kDegreesPerMillimetreStep = 1.0;
const int kMaxEvaluationsPerLevel = 600;

struct Evaluator {
    const SearchLevel* level;
    const SearchBounds* bounds;
    std::vector<double> histogram;
    int evaluations = 0;

    double operator()(const RigidParameters& p) {
        ++evaluations;
        const Matrix4d correction = rigidMotion(p, bounds->centre);
        return normalisedMutualInformation(level->anatomical, level->samples, correction, bounds->bins,
                                           histogram)
            .nmi;
    }
};

double& parameter(RigidParameters& p, int k) {
    return k < 3 ? p.translationMm[k] : p.rotationDeg[k - 3];
}

double limitOf(const SearchBounds& bounds, int k) {
    return k < 3 ? bounds.maxTranslationMm : bounds.maxRotationDeg;
}

// Improves start on one level; returns its measure there.
double compassSearch(Evaluator& evaluate, RigidParameters& start, double firstStep, double lastStep) {
    double best = evaluate(start);
    const int stopAt = evaluate.evaluations + kMaxEvaluationsPerLevel;
    for (double step = firstStep; step >= lastStep && evaluate.evaluations < stopAt;) {
        bool moved = false;
        for (int k = 0; k < 6; ++k) {
            const double size = k < 3 ? step : step * kDegreesPerMillimetreStep;
            const double limit = limitOf(*evaluate.bounds, k);
            for (int direction = -1; direction <= 1; direction += 2) {
                RigidParameters trial = start;
                double& value = parameter(trial, k);
                const double wanted = std::clamp(value + direction * size, -limit, limit);
                if (wanted == value) {
                    continue;
                }
                value = wanted;
                const double measure = evaluate(trial);
                if (measure > best) {
                    best = measure;
                    start = trial;
                    moved = true;
                    break;
                }
            }
        }
        if (!moved) {
            step *= 0.5;
        }
    }
    return best;
}

} // namespace

SearchOutcome searchRigidOffsets(const std::vector<SearchLevel>& levels, const SearchBounds& bounds) {
    SearchOutcome outcome;
    if (levels.empty()) {
        return outcome;
    }
    RigidParameters position;
    double value = 1.0;
    int evaluations = 0;
    for (const SearchLevel& level : levels) {
        Evaluator evaluate{&level, &bounds, {}, 0};
        value = compassSearch(evaluate, position, level.firstStep, level.lastStep);
        evaluations += evaluate.evaluations;
    }
    Evaluator finest{&levels.back(), &bounds, {}, 0};
    const MeasureValue header = normalisedMutualInformation(levels.back().anatomical, levels.back().samples,
                                                            identityMatrix(), bounds.bins, finest.histogram);
    outcome.atHeader = header.nmi;
    outcome.headerInsideShare = header.insideShare;
    outcome.evaluations = evaluations + 1;
    if (header.nmi >= value) {
        outcome.bestValue = header.nmi;
        return outcome;
    }
    outcome.best = position;
    outcome.bestValue = value;
    for (int k = 0; k < 6; ++k) {
        outcome.reachedBound |= std::fabs(parameter(position, k)) >= limitOf(bounds, k) - 1e-9;
    }
    return outcome;
}
