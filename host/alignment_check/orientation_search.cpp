// Orientation candidates, the shared start grid, screening and refinement of the contenders.
#include "host/alignment_check/orientation_search.h"

#include <algorithm>
#include <cmath>
#include <atomic>
#include <ctime>
#include <thread>

namespace {

// Compass steps (mm and degrees alike) per level kind and the evaluations each may spend.
const double kCoarseFirstStep = 4, kCoarseLastStep = 1;
const double kScreenFirstStep = 2, kScreenLastStep = 0.5;
const double kFineFirstStep = 1, kFineLastStep = 0.1;
const int kCoarseEvaluations = 250, kScreenEvaluations = 200, kFineEvaluations = 300;

// Refines the start through every level up to and including last, from the given first level.
Pose refineThrough(const PoseProblem& problem, const Pose& start, size_t first, size_t last,
                   std::vector<double>& scratch) {
    Pose pose = start;
    const size_t finest = problem.levels->size() - 1;
    for (size_t level = first; level <= last; ++level) {
        if (level == 0 && finest > 0) {
            pose = refinePose(problem, level, pose, kCoarseFirstStep, kCoarseLastStep, kCoarseEvaluations,
                              scratch);
        } else if (level < finest) {
            pose = refinePose(problem, level, pose, kScreenFirstStep, kScreenLastStep, kScreenEvaluations,
                              scratch);
        } else {
            const double firstStep = finest == 0 ? kCoarseFirstStep : kFineFirstStep * (level == 1 ? 2 : 1);
            pose = refinePose(problem, level, pose, firstStep, kFineLastStep, kFineEvaluations, scratch);
        }
    }
    return pose;
}

// Runs job(0..count-1) on up to two threads (the check's jobs are a few, each of tens of milliseconds),
// each thread with its own scratch buffer.
// Returns the processor time the helper thread spent (the caller's own is in its thread clock).
template <typename Job> double parallelFor(int count, const Job& job) {
    std::atomic<int> next{0};
    auto worker = [&]() {
        std::vector<double> scratch;
        for (int i = next++; i < count; i = next++) {
            job(i, scratch);
        }
    };
    if (count <= 1 || std::thread::hardware_concurrency() < 2) {
        worker();
        return 0;
    }
    double helperSeconds = 0;
    std::thread helper([&]() {
        worker();
        timespec used{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
        helperSeconds = static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) * 1e-9;
    });
    worker();
    helper.join();
    return helperSeconds;
}

} // namespace

const char* orientationWords(Orientation orientation) {
    switch (orientation) {
    case Orientation::kAsStored:
        return "as stored";
    case Orientation::kMirrorLeftRight:
        return "left-right mirror";
    case Orientation::kMirrorAnteriorPosterior:
        return "anterior-posterior mirror";
    case Orientation::kMirrorSuperiorInferior:
        return "superior-inferior mirror";
    case Orientation::kSwapLeftRightAnteriorPosterior:
        return "axes swapped (left-right with anterior-posterior)";
    case Orientation::kSwapLeftRightSuperiorInferior:
        return "axes swapped (left-right with superior-inferior)";
    default:
        return "axes swapped (anterior-posterior with superior-inferior)";
    }
}

Matrix4d orientationMatrix(Orientation orientation, const Point3d& centre) {
    // The signed permutation of world axes, then about the centre: p -> S (p - c) + c.
    int from[3] = {0, 1, 2};
    double sign[3] = {1, 1, 1};
    switch (orientation) {
    case Orientation::kMirrorLeftRight:
        sign[0] = -1;
        break;
    case Orientation::kMirrorAnteriorPosterior:
        sign[1] = -1;
        break;
    case Orientation::kMirrorSuperiorInferior:
        sign[2] = -1;
        break;
    case Orientation::kSwapLeftRightAnteriorPosterior:
        std::swap(from[0], from[1]);
        break;
    case Orientation::kSwapLeftRightSuperiorInferior:
        std::swap(from[0], from[2]);
        break;
    case Orientation::kSwapAnteriorPosteriorSuperiorInferior:
        std::swap(from[1], from[2]);
        break;
    default:
        break;
    }
    Matrix4d m{};
    m[3][3] = 1;
    for (int i = 0; i < 3; ++i) {
        m[i][from[i]] = sign[i];
    }
    for (int i = 0; i < 3; ++i) {
        m[i][3] = centre[i] - (m[i][0] * centre[0] + m[i][1] * centre[1] + m[i][2] * centre[2]);
    }
    return m;
}

OrientationSearch searchOrientations(const std::vector<CorrelationLevel>& levels, const Point3d& centre,
                                     const OrientationSearchPlan& plan) {
    OrientationSearch search;
    const size_t finest = levels.size() - 1;
    search.screeningLevel = levels.size() >= 3 ? static_cast<int>(finest - 1) : 0;
    const size_t screen = static_cast<size_t>(search.screeningLevel);
    const int count = plan.allOrientations ? kOrientationCount : 1;
    auto problemFor = [&](Orientation orientation, double sign) {
        PoseProblem problem;
        problem.levels = &levels;
        problem.orientation = orientationMatrix(orientation, centre);
        problem.centre = centre;
        problem.sign = sign;
        problem.maxTranslationMm = plan.maxTranslationMm;
        problem.maxRotationDeg = plan.maxRotationDeg;
        return problem;
    };
    // Every orientation's start grid, and its best start refined on the coarsest level for either sign of
    // the match (a T1 anatomy correlates negatively with an EPI, a T2 positively). The sign is the one whose
    // refined best is highest over all orientations: the grids' raw extremes alone are weak and noisy when
    // the header is far off or the run is stored in a wrong orientation, and took the wrong sign on such
    // runs.
    search.outcomes.resize(count);
    std::vector<std::vector<Pose>> grids(count);
    search.helperCpuSeconds += parallelFor(count, [&](int o, std::vector<double>& work) {
        grids[o] = scoreShiftGrid(problemFor(static_cast<Orientation>(o), 1),
                                  o == 0 ? plan.startStepMm : plan.otherStepMm, plan.startRangeMm, work);
    });
    // firstRefined[2 * o + (sign < 0)]: the orientation's best start for that sign, refined.
    std::vector<Pose> firstRefined(2 * count);
    search.helperCpuSeconds += parallelFor(2 * count, [&](int i, std::vector<double>& work) {
        const int o = i / 2;
        const double sign = i % 2 == 0 ? 1 : -1;
        const std::vector<Pose> best = bestSeparated(grids[o], sign, 1, plan.startSeparationMm);
        if (!best.empty()) {
            firstRefined[i] =
                refineThrough(problemFor(static_cast<Orientation>(o), sign), best[0], 0, 0, work);
        }
    });
    double bestOf[2] = {-2, -2};
    for (int i = 0; i < 2 * count; ++i) {
        bestOf[i % 2] = std::max(bestOf[i % 2], firstRefined[i].value);
    }
    search.sign = bestOf[1] > bestOf[0] ? -1 : 1;

    search.helperCpuSeconds += parallelFor(count, [&](int o, std::vector<double>& work) {
        const Orientation orientation = static_cast<Orientation>(o);
        const PoseProblem problem = problemFor(orientation, search.sign);
        OrientationOutcome& outcome = search.outcomes[o];
        outcome.orientation = orientation;
        // The run as stored keeps several starts (their spread tells how sure its position is); the other
        // orientations only need their best. Each is refined on the coarsest level (the best one already is).
        const size_t starts = o == 0 ? plan.refinedStarts : plan.otherStarts;
        const std::vector<Pose> picked = bestSeparated(grids[o], search.sign, starts, plan.startSeparationMm);
        std::vector<Pose> refined;
        for (size_t k = 0; k < picked.size(); ++k) {
            refined.push_back(k == 0 ? firstRefined[2 * o + (search.sign < 0 ? 1 : 0)]
                                     : refineThrough(problem, picked[k], 0, 0, work));
        }
        std::sort(refined.begin(), refined.end(),
                  [](const Pose& a, const Pose& b) { return a.value > b.value; });
        // On the screening level only the best start of the other orientations (it costs several times the
        // coarsest per step).
        for (size_t k = 0; k < refined.size() && (o == 0 || k == 0); ++k) {
            outcome.starts.push_back(screen == 0 ? refined[k]
                                                 : refineThrough(problem, refined[k], 1, screen, work));
        }
        std::sort(outcome.starts.begin(), outcome.starts.end(),
                  [](const Pose& a, const Pose& b) { return a.value > b.value; });
        if (!outcome.starts.empty()) {
            outcome.screened = outcome.starts.front();
        }
    });
    double bestScreened = -2;
    for (const OrientationOutcome& outcome : search.outcomes) {
        bestScreened = std::max(bestScreened, outcome.screened.value);
    }
    std::vector<int> contenders;
    for (const OrientationOutcome& outcome : search.outcomes) {
        if (outcome.orientation == Orientation::kAsStored ||
            (bestScreened > 0 && outcome.screened.value >= plan.contenderShare * bestScreened)) {
            contenders.push_back(static_cast<int>(outcome.orientation));
        }
    }
    search.helperCpuSeconds +=
        parallelFor(static_cast<int>(contenders.size()), [&](int i, std::vector<double>& work) {
            OrientationOutcome& outcome = search.outcomes[contenders[i]];
            outcome.finest = screen == finest ? outcome.screened
                                              : refineThrough(problemFor(outcome.orientation, search.sign),
                                                              outcome.screened, screen + 1, finest, work);
            outcome.refined = true;
        });
    return search;
}
