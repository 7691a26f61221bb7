// One run's alignment check: header comparison, the search in every orientation, uncertainty, verdict.
#include "host/alignment_check/alignment_check.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

#include "host/alignment_check/brain_mask.h"
#include "host/alignment_check/check_grid.h"
#include "host/alignment_check/head_information.h"
#include "host/alignment_check/header_comparison.h"
#include "host/alignment_check/local_correlation.h"
#include "host/alignment_check/mirror_evidence.h"
#include "host/alignment_check/orientation_search.h"
#include "host/alignment_check/verdict.h"
#include "host/alignment_check/scrambled_index.h"

namespace {

// The functional's spacings (mm) of the coarse levels; one closer than this share above the functional's
// own voxel size to it adds nothing and is left out.
const double kCoarseSpacingsMm[] = {8.0, 4.0};
const double kMinLevelStep = 1.25;
const size_t kMaxDisplacementPoints = 20000;
// Functional samples per level at most: enough for blocks of 12 mm to hold dozens each.
const size_t kMaxLevelSamples = 30000;
// On the coarsest level, which scores every start of every orientation, fewer: its blocks of about 20 mm
// still hold a dozen voxels each.
const size_t kMaxCoarsestSamples = 4000;
// Whole-head samples for the mutual information on the finest level (its joint histogram of 32 x 32 bins
// is well filled by this many).
const size_t kMaxHeadSamples = 30000;
// The whole-head measure's weight on the finest level (its excess NMI - 1 is about 0.1..0.3 for a match, the
// local correlation 0.4..0.8): on the phantom, whose eroded brain leaves rotations nearly flat, weights
// of 0.5..2 left 1.5..2.9 mm, 3 below 1 mm; on MNI simulations it moves the answer by 0.2 mm.
const double kHeadWeight = 3.0;
// Side of the blocks compared with the left-right mirror.
const double kEvidenceBlockMm = 16.0;
// A side wins the block comparison with evidence this many times stronger than the other's and at least
// this many nats (a right run's strongest block prefers the mirror by 20..60 nats, and the original by
// 2..20 times more; a flipped run the reverse).
const double kFlipEvidenceRatio = 1.5;
const double kMinFlipEvidence = 10.0;
// Steps (mm, degrees) at which the measure's curvature at the best position is taken.
const double kCurvatureStep = 1.0;
// A degree of rotation moves the brain's voxels by about this many mm on average.
const double kMmPerDegree = 1.0;
// The uncertainty given when the measure does not fall off around the best at all.
const double kFlatUncertaintyMm = 20.0;

// A deterministic pick of about keep out of total indices, spread over the grid without a regular pattern.
bool picked(size_t index, size_t keep, size_t total) {
    if (keep >= total) {
        return true;
    }
    return static_cast<double>(scrambled(static_cast<uint32_t>(index))) <
           static_cast<double>(keep) / static_cast<double>(total) * 4294967296.0;
}

// World positions of the functional's in-brain voxels: those brighter than the mean of the whole grid (a
// head's signal stands well above the background's), at most kMaxDisplacementPoints of them.
std::vector<Point3d> inBrainPoints(const ScalarGrid& functional) {
    double sum = 0.0;
    size_t count = 0;
    for (float value : functional.values) {
        if (std::isfinite(value)) {
            sum += value;
            ++count;
        }
    }
    const double threshold = count > 0 ? sum / static_cast<double>(count) : 0.0;
    size_t above = 0;
    for (float value : functional.values) {
        above += std::isfinite(value) && value > threshold;
    }
    const bool all = above == 0; // a constant grid: every voxel counts
    const size_t chosen = all ? count : above;
    std::vector<Point3d> points;
    size_t index = 0, candidate = 0;
    for (int z = 0; z < functional.nz; ++z) {
        for (int y = 0; y < functional.ny; ++y) {
            for (int x = 0; x < functional.nx; ++x, ++index) {
                const float value = functional.values[index];
                if (!std::isfinite(value) || (!all && !(value > threshold))) {
                    continue;
                }
                if (picked(candidate++, kMaxDisplacementPoints, chosen)) {
                    points.push_back(
                        transformPoint(functional.voxelToWorld, {double(x), double(y), double(z)}));
                }
            }
        }
    }
    return points;
}

double meanDisplacementMm(const Matrix4d& correction, const std::vector<Point3d>& points) {
    if (points.empty()) {
        return 0.0;
    }
    double sum = 0.0;
    for (const Point3d& p : points) {
        sum += distance(transformPoint(correction, p), p);
    }
    return sum / static_cast<double>(points.size());
}

// Processor time of the calling thread, in seconds.
double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

bool hasFiniteSample(const ScalarGrid& grid) {
    return std::any_of(grid.values.begin(), grid.values.end(), [](float v) { return std::isfinite(v); });
}

std::vector<double> levelSpacings(const ScalarGrid& functional) {
    const std::array<double, 3> sizes = voxelSizes(functional.voxelToWorld);
    const double own = std::max({sizes[0], sizes[1], sizes[2]});
    std::vector<double> spacings;
    for (double spacing : kCoarseSpacingsMm) {
        if (spacing > kMinLevelStep * own) {
            spacings.push_back(spacing);
        }
    }
    spacings.push_back(own);
    return spacings;
}

// How far the best position may be off given the blocks' disagreement: the sandwich estimate of an
// optimum's spread, per parameter sum_b g_b^2 / H^2 (g_b the slope of block b's share of the measure, H the
// measure's curvature, both by central differences), in quadrature over the six parameters (degrees as
// kMmPerDegree mm). Blocks that pull in different directions make it large; a flat measure makes it
// kFlatUncertaintyMm. It does not see what no block sees (a distortion all blocks share).
double blockUncertaintyMm(const PoseProblem& problem, size_t level, const Pose& best,
                          std::vector<double>& scratch) {
    const CorrelationLevel& grid = (*problem.levels)[level];
    std::vector<double> up, down;
    double sum = 0;
    for (int k = 0; k < 6; ++k) {
        RigidParameters plus = best.parameters, minus = best.parameters;
        (k < 3 ? plus.translationMm[k] : plus.rotationDeg[k - 3]) += kCurvatureStep;
        (k < 3 ? minus.translationMm[k] : minus.rotationDeg[k - 3]) -= kCurvatureStep;
        localCorrelation(grid, posePlacement(problem, plus), scratch, up);
        localCorrelation(grid, posePlacement(problem, minus), scratch, down);
        const double fUp = poseAt(problem, level, plus, scratch).value;
        const double fDown = poseAt(problem, level, minus, scratch).value;
        const double curvature = (2.0 * best.value - fUp - fDown) / (kCurvatureStep * kCurvatureStep);
        double slopes = 0;
        for (size_t b = 0; b < up.size(); ++b) {
            const double g = (up[b] - down[b]) / (2.0 * kCurvatureStep);
            slopes += g * g;
        }
        const double sigma =
            curvature > 0 ? std::min(kFlatUncertaintyMm, std::sqrt(slopes) / curvature) : kFlatUncertaintyMm;
        sum += (k < 3 ? 1.0 : kMmPerDegree * kMmPerDegree) * sigma * sigma;
    }
    return std::sqrt(sum);
}

// The largest mean displacement between the best start and another start that ends about as well on the
// finest level (within two standard errors): different optima the measure cannot tell apart.
double startSpreadMm(const OrientationOutcome& outcome, const Point3d& centre,
                     const std::vector<Point3d>& points) {
    if (outcome.finestStarts.empty()) {
        return 0;
    }
    const Pose& best = outcome.finestStarts.front();
    const Matrix4d back = invertAffine(rigidMotion(best.parameters, centre));
    double spread = 0;
    for (const Pose& other : outcome.finestStarts) {
        if (other.value >= best.value - 2.0 * std::max(best.standardError, other.standardError)) {
            spread = std::max(
                spread, meanDisplacementMm(multiply(rigidMotion(other.parameters, centre), back), points));
        }
    }
    return spread;
}

// The orientation finding from each orientation's best: the winner, the runner-up's share of it, and
// whether that share is small enough to tell them apart. Orientations compare on the finest level when
// both were refined there, else on the screening level.
OrientationFinding judgeOrientations(const OrientationSearch& search, double threshold) {
    OrientationFinding finding;
    finding.tested = search.outcomes.size() > 1;
    finding.threshold = threshold;
    if (search.outcomes.empty()) {
        return finding;
    }
    const OrientationOutcome& stored = search.outcomes.front();
    auto valueOf = [&](const OrientationOutcome& o, const OrientationOutcome& other) {
        return o.refined && other.refined ? o.finest.correlation : o.screened.correlation;
    };
    size_t winner = 0;
    for (size_t i = 1; i < search.outcomes.size(); ++i) {
        const OrientationOutcome& o = search.outcomes[i];
        if (valueOf(o, search.outcomes[winner]) > valueOf(search.outcomes[winner], o)) {
            winner = i;
        }
    }
    double runnerShare = -1;
    size_t runnerUp = winner;
    for (size_t i = 0; i < search.outcomes.size(); ++i) {
        OrientationTrial trial;
        const OrientationOutcome& o = search.outcomes[i];
        trial.name = orientationWords(o.orientation);
        trial.refined = o.refined;
        trial.best = o.refined ? o.finest.correlation : o.screened.correlation;
        const double base = valueOf(stored, o);
        trial.ratio = base > 0 ? valueOf(o, stored) / base : 0;
        finding.trials.push_back(trial);
        if (i != winner) {
            const double top = valueOf(search.outcomes[winner], o);
            const double share = top > 0 ? valueOf(o, search.outcomes[winner]) / top : 1;
            if (share > runnerShare) {
                runnerShare = share;
                runnerUp = i;
            }
        }
    }
    if (!finding.tested) {
        return finding;
    }
    finding.margin = runnerShare;
    const Orientation partner = winner == 0 ? Orientation::kMirrorLeftRight
                                : winner == static_cast<size_t>(Orientation::kMirrorLeftRight)
                                    ? Orientation::kAsStored
                                    : search.outcomes[winner].orientation;
    const double top = search.outcomes[winner].screened.correlation;
    std::vector<double> others;
    for (size_t i = 0; i < search.outcomes.size(); ++i) {
        if (i != winner && search.outcomes[i].orientation != partner) {
            others.push_back(top > 0 ? search.outcomes[i].screened.correlation / top : 1);
        }
    }
    std::sort(others.begin(), others.end());
    finding.othersMedianRatio =
        others.empty() ? 0 : 0.5 * (others[(others.size() - 1) / 2] + others[others.size() / 2]);
    {
        const OrientationOutcome& w = search.outcomes[winner];
        const OrientationOutcome& r = search.outcomes[runnerUp];
        const Pose& wp = w.refined && r.refined ? w.finest : w.screened;
        const Pose& rp = w.refined && r.refined ? r.finest : r.screened;
        const double a = wp.correlation > 0 ? wp.standardError / wp.correlation : 0;
        const double b = rp.correlation > 0 ? rp.standardError / rp.correlation : 0;
        finding.marginError = std::fabs(runnerShare) * std::sqrt(a * a + b * b);
    }
    finding.decided = runnerShare <= threshold;
    if (winner != 0) {
        finding.suspected = orientationWords(search.outcomes[winner].orientation);
    }
    if (!finding.decided) {
        finding.undecided = orientationWords(search.outcomes[runnerUp == 0 ? winner : runnerUp].orientation);
    }
    return finding;
}

// Where the local correlation cannot tell the run as stored from its left-right mirror, the places where the
// head is not symmetric can: each block of the whole functional is scored by the log-likelihood of its
// voxels under either placement's joint histogram, and a clear winner among the blocks decides.
void settleLeftRight(OrientationFinding& finding, const OrientationSearch& search,
                     const CorrelationLevel& finest, const ScalarGrid& functional) {
    const std::string mirror = orientationWords(Orientation::kMirrorLeftRight);
    if (finding.decided) {
        finding.decidedBy = finding.tested ? "local correlation" : "";
        return;
    }
    if (finding.undecided != mirror || !(finding.suspected.empty() || finding.suspected == mirror)) {
        return;
    }
    const OrientationOutcome& stored = search.outcomes[static_cast<int>(Orientation::kAsStored)];
    const OrientationOutcome& mirrored = search.outcomes[static_cast<int>(Orientation::kMirrorLeftRight)];
    if (!stored.refined || !mirrored.refined) {
        return;
    }
    const Point3d centre = gridCentre(functional);
    const HeadInformation everyVoxel = headInformation(ScalarGrid{}, functional, functional.values.size());
    const MirrorEvidence evidence = compareMirrorLocally(
        finest.head.anatomy, everyVoxel.samples, rigidMotion(stored.finest.parameters, centre),
        multiply(rigidMotion(mirrored.finest.parameters, centre),
                 orientationMatrix(Orientation::kMirrorLeftRight, centre)),
        finest.head.bins, kEvidenceBlockMm);
    finding.mirrorEvidenceFor = evidence.forMirror;
    finding.mirrorEvidenceAgainst = evidence.againstMirror;
    if (evidence.forMirror >= kMinFlipEvidence &&
        evidence.forMirror >= kFlipEvidenceRatio * evidence.againstMirror) {
        finding.suspected = mirror;
    } else if (evidence.againstMirror >= kMinFlipEvidence &&
               evidence.againstMirror >= kFlipEvidenceRatio * evidence.forMirror) {
        finding.suspected.clear();
    } else {
        return;
    }
    finding.decided = true;
    finding.undecided.clear();
    finding.decidedBy = "block likelihood";
}

} // namespace

RunCheck checkAlignment(const CheckInputs& anatomical, const CheckInputs& functional,
                        const CheckSettings& settings) {
    const auto started = std::chrono::steady_clock::now();
    const double cpuStarted = threadCpuSeconds();
    RunCheck check;
    check.anatomicalPath = anatomical.path;
    check.functionalPath = functional.path;
    check.search.measure = "local correlation";
    check.search.correction = identityMatrix();
    if (anatomical.image == nullptr || functional.image == nullptr) {
        check.error = "no image was given";
        check.reasons.push_back(check.error);
        return check;
    }
    check.header = compareHeaders(*anatomical.image, *functional.image);

    SearchFindings findings;
    double helperCpuSeconds = 0;
    const ScalarGrid functionalMean = temporalMean(*functional.image);
    findings.hasData = hasFiniteSample(functionalMean);
    findings.searched =
        findings.hasData && check.header.overlapVoxels > 0 && check.header.insidePct >= settings.minInsidePct;
    const VoxelMask mask = findings.searched ? brainMask(functionalMean, settings.erosionMm) : VoxelMask{};
    // A constant functional has no brain to find: nothing to compare, which the verdict says.
    findings.informative =
        std::any_of(mask.inside.begin(), mask.inside.end(), [](uint8_t f) { return f != 0; });
    if (findings.searched && findings.informative) {
        ScalarGrid anatomy = temporalMean(*anatomical.image);
        HeadInformation head = headInformation(anatomy, functionalMean, kMaxHeadSamples);
        std::vector<CorrelationLevel> levels =
            correlationLevels(std::move(anatomy), functionalMean, mask, levelSpacings(functionalMean),
                              settings.blockMm, kMaxLevelSamples, kMaxCoarsestSamples);
        levels.back().head = std::move(head);
        levels.back().headWeight = kHeadWeight;
        const Point3d centre = gridCentre(functionalMean);
        OrientationSearchPlan plan;
        plan.startRangeMm = settings.maxTranslationMm;
        plan.maxTranslationMm = settings.maxTranslationMm + 5.0;
        plan.maxRotationDeg = settings.maxRotationDeg + 5.0;
        plan.allOrientations = settings.mirrorTest;
        const OrientationSearch found = searchOrientations(levels, centre, plan);
        helperCpuSeconds = found.helperCpuSeconds;
        const OrientationOutcome& stored = found.outcomes.front();
        const Pose& best = stored.finest;
        PoseProblem problem;
        problem.levels = &levels;
        problem.centre = centre;
        problem.sign = found.sign;
        problem.maxTranslationMm = plan.maxTranslationMm;
        problem.maxRotationDeg = plan.maxRotationDeg;
        std::vector<double> scratch;
        const size_t finest = levels.size() - 1;
        SearchResult& search = check.search;
        search.measure = found.sign < 0 ? "local correlation (negative: the contrasts are inverted)"
                                        : "local correlation (positive)";
        search.searched = true;
        const Pose header = poseAt(problem, finest, RigidParameters{}, scratch);
        search.atHeader = header.correlation;
        search.best = best.value > header.value ? best.correlation : header.correlation;
        search.standardError = best.standardError;
        if (best.value > header.value) {
            search.correction = rigidMotion(best.parameters, centre);
            search.translationMm = best.parameters.translationMm;
            search.rotationDeg = best.parameters.rotationDeg;
        }
        const std::vector<Point3d> points = inBrainPoints(functionalMean);
        search.displacementMm = meanDisplacementMm(search.correction, points);
        search.uncertaintyMm = std::max(blockUncertaintyMm(problem, finest, best, scratch),
                                        startSpreadMm(stored, centre, points));
        for (int k = 0; k < 6; ++k) {
            const double v = k < 3 ? best.parameters.translationMm[k] : best.parameters.rotationDeg[k - 3];
            findings.reachedBound |=
                std::fabs(v) >= (k < 3 ? plan.maxTranslationMm : plan.maxRotationDeg) - 1e-6;
        }
        check.orientation = judgeOrientations(found, settings.orientationThreshold);
        // Shared structure is judged in the orientation that matches best (a swapped run matches little as
        // stored, and much once swapped back).
        double strongest = search.best;
        for (const OrientationTrial& trial : check.orientation.trials) {
            strongest = std::max(strongest, trial.best);
        }
        findings.informative = strongest > kInformativeCorrelation && strongest > 3.0 * search.standardError;
        settleLeftRight(check.orientation, found, levels.back(), functionalMean);
        if (found.outcomes.size() > 1) {
            const OrientationOutcome& mirror =
                found.outcomes[static_cast<int>(Orientation::kMirrorLeftRight)];
            search.mirroredBest = mirror.refined ? mirror.finest.correlation : mirror.screened.correlation;
        }
        search.lrFlipSuspected = findings.informative && check.orientation.suspected ==
                                                             orientationWords(Orientation::kMirrorLeftRight);
    }
    decideVerdict(check, findings, settings);
    check.search.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    check.search.cpuSeconds = threadCpuSeconds() - cpuStarted + helperCpuSeconds;
    return check;
}

Matrix4d bestAlignedAffine(const RunCheck& check, const NiftiImage& functional) {
    return multiply(check.search.correction, matrixFromRowMajor(functional.voxelToWorld));
}

std::vector<Point3d> displacementPoints(const NiftiImage& functional) {
    return inBrainPoints(temporalMean(functional));
}
