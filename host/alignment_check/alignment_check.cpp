// One run's alignment check: header comparison, the search for the functional and for its mirror, verdict.
#include "host/alignment_check/alignment_check.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cmath>

#include "host/alignment_check/check_grid.h"
#include "host/alignment_check/header_comparison.h"
#include "host/alignment_check/mirror_evidence.h"
#include "host/alignment_check/rigid_search.h"
#include "host/alignment_check/verdict.h"

namespace {

// Resolution levels (mm) and the steps searched on each: coarse levels find the basin, the finest settles
// well below the voxel size.
struct LevelPlan {
    double spacingMm, firstStep, lastStep;
};
const LevelPlan kLevels[] = {{8.0, 8.0, 2.0}, {4.0, 2.0, 0.5}, {2.0, 1.0, 0.25}};

// Above chance: NMI of unrelated images stays within this of 1 (finite-sample bias included).
const double kInformativeNmi = 1.002;
const size_t kMaxDisplacementPoints = 20000;
// Side of the blocks compared with the mirror.
const double kEvidenceBlockMm = 16.0;
// A flip needs local evidence for the mirror this many times stronger than against it, and at least this
// many nats (a right run's strongest block prefers the mirror by 20..60 nats, and the original by 2..20 times
// more; a flipped run the reverse).
const double kFlipEvidenceRatio = 1.5;
const double kMinFlipEvidence = 10.0;
// An overall win of the mirror counts only above this NMI gain: weakly matching pairs (NMI below about 1.1)
// differ by this much between nearby positions.
const double kMinFlipNmiGain = 0.01;
// Voxels a level's anatomical needs across its smallest extent.
const double kMinVoxelsAcross = 16.0;

// A well-mixed hash of an index, for picks and offsets that must look random yet repeat run after run.
uint32_t scrambled(uint32_t value) {
    uint32_t h = value * 2654435761u;
    h ^= h >> 16;
    h *= 2246822519u;
    h ^= h >> 13;
    return h;
}

// A deterministic pick of about keep out of total indices, spread over the grid without a regular pattern.
bool picked(size_t index, size_t keep, size_t total) {
    if (keep >= total) {
        return true;
    }
    return static_cast<double>(scrambled(static_cast<uint32_t>(index))) <
           static_cast<double>(keep) / static_cast<double>(total) * 4294967296.0;
}

// A deterministic offset in -0.5..0.5 voxel for one axis of one sample.
float jitterOf(size_t index, uint32_t axis) {
    const uint32_t h = scrambled(static_cast<uint32_t>(index) * 3u + axis + 0x9e3779b9u);
    return static_cast<float>(static_cast<double>(h) / 4294967296.0 - 0.5);
}

// Samples at every voxel's centre sit on a regular lattice: when that lattice lines up with the anatomical's,
// every sample gets the same interpolation weights, the joint histogram blurs less and the measure rises
// for the lined-up pose rather than the matching one (a tilted run was pulled level by its tilt). With
// jittered, the samples take each voxel's value at a random point inside it. The coarse levels, whose large
// steps can reach such a pose, are jittered; the finest is not, as the jitter's noise would cost it the
// sub-voxel settling it is there for.
SampleSet sampleGrid(const ScalarGrid& grid, const IntensityRange& range, int bins, size_t maxSamples,
                     bool jittered) {
    SampleSet samples;
    samples.voxelToWorld = grid.voxelToWorld;
    size_t index = 0;
    for (int z = 0; z < grid.nz; ++z) {
        for (int y = 0; y < grid.ny; ++y) {
            for (int x = 0; x < grid.nx; ++x, ++index) {
                const float value = grid.values[index];
                if (!std::isfinite(value) || !picked(index, maxSamples, grid.values.size())) {
                    continue;
                }
                samples.x.push_back(static_cast<float>(x) + (jittered ? jitterOf(index, 0) : 0.0f));
                samples.y.push_back(static_cast<float>(y) + (jittered ? jitterOf(index, 1) : 0.0f));
                samples.z.push_back(static_cast<float>(z) + (jittered ? jitterOf(index, 2) : 0.0f));
                samples.bins.push_back(static_cast<uint8_t>(binOf(value, range, bins)));
            }
        }
    }
    return samples;
}

BinnedGrid binGrid(const ScalarGrid& grid, const IntensityRange& range, int bins) {
    BinnedGrid binned;
    binned.nx = grid.nx;
    binned.ny = grid.ny;
    binned.nz = grid.nz;
    binned.bins = binSamples(grid, range, bins);
    binned.worldToVoxel = invertAffine(grid.voxelToWorld);
    return binned;
}

// The smallest extent (mm) of a grid along its axes.
double smallestExtentMm(const ScalarGrid& grid) {
    const std::array<double, 3> sizes = voxelSizes(grid.voxelToWorld);
    return std::min({grid.nx * sizes[0], grid.ny * sizes[1], grid.nz * sizes[2]});
}

std::vector<SearchLevel> buildLevels(const ScalarGrid& anatomical, const ScalarGrid& functional,
                                     const CheckSettings& settings) {
    const IntensityRange anatomicalRange = intensityRange(anatomical, 0.995);
    const IntensityRange functionalRange = intensityRange(functional, 0.995);
    // A level too coarse for the anatomical's extent has too few voxels to tell positions apart; the
    // finest level is always kept, and the first level kept starts with the first plan's large steps.
    const double extent = smallestExtentMm(anatomical);
    std::vector<SearchLevel> levels;
    for (const LevelPlan& plan : kLevels) {
        const bool finest = &plan == &kLevels[std::size(kLevels) - 1];
        if (extent < kMinVoxelsAcross * plan.spacingMm && !finest) {
            continue;
        }
        SearchLevel level;
        const std::array<int, 3> anatomicalFactor = blockFactorsFor(anatomical, plan.spacingMm);
        const std::array<int, 3> functionalFactor = blockFactorsFor(functional, plan.spacingMm);
        level.anatomical = binGrid(anatomicalFactor == std::array<int, 3>{1, 1, 1}
                                       ? anatomical
                                       : averageBlocks(anatomical, anatomicalFactor),
                                   anatomicalRange, settings.histogramBins);
        level.samples = sampleGrid(functionalFactor == std::array<int, 3>{1, 1, 1}
                                       ? functional
                                       : averageBlocks(functional, functionalFactor),
                                   functionalRange, settings.histogramBins, settings.maxSamples, !finest);
        level.firstStep = levels.empty() ? kLevels[0].firstStep : plan.firstStep;
        level.lastStep = plan.lastStep;
        levels.push_back(std::move(level));
    }
    return levels;
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

// The mirror matches clearly better overall, or it matches about as well overall and clearly better where the
// head is not symmetric.
bool flipSuspected(const SearchResult& search, const CheckSettings& settings) {
    const double ours = search.best - 1.0, mirrored = search.mirroredBest - 1.0;
    if (mirrored > ours * (1.0 + settings.flipMargin) && mirrored - ours >= kMinFlipNmiGain) {
        return true;
    }
    return mirrored >= ours * (1.0 - settings.flipMargin) && search.mirrorEvidenceFor >= kMinFlipEvidence &&
           search.mirrorEvidenceFor >= kFlipEvidenceRatio * search.mirrorEvidenceAgainst;
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

} // namespace

RunCheck checkAlignment(const CheckInputs& anatomical, const CheckInputs& functional,
                        const CheckSettings& settings) {
    const auto started = std::chrono::steady_clock::now();
    const double cpuStarted = threadCpuSeconds();
    RunCheck check;
    check.anatomicalPath = anatomical.path;
    check.functionalPath = functional.path;
    check.search.measure = "normalised mutual information";
    check.search.correction = identityMatrix();
    if (anatomical.image == nullptr || functional.image == nullptr) {
        check.error = "no image was given";
        check.reasons.push_back(check.error);
        return check;
    }
    check.header = compareHeaders(*anatomical.image, *functional.image);

    SearchFindings findings;
    const ScalarGrid functionalMean = temporalMean(*functional.image);
    findings.hasData = hasFiniteSample(functionalMean);
    findings.searched =
        findings.hasData && check.header.overlapVoxels > 0 && check.header.insidePct >= settings.minInsidePct;
    if (findings.searched) {
        const ScalarGrid anatomy = temporalMean(*anatomical.image);
        std::vector<SearchLevel> levels = buildLevels(anatomy, functionalMean, settings);
        SearchBounds bounds;
        bounds.maxTranslationMm = settings.maxTranslationMm;
        bounds.maxRotationDeg = settings.maxRotationDeg;
        bounds.centre = gridCentre(functionalMean);
        bounds.bins = settings.histogramBins;
        const SearchOutcome outcome = searchRigidOffsets(levels, bounds);
        SearchResult& search = check.search;
        search.atHeader = outcome.atHeader;
        search.best = outcome.bestValue;
        search.correction = rigidMotion(outcome.best, bounds.centre);
        search.translationMm = outcome.best.translationMm;
        search.rotationDeg = outcome.best.rotationDeg;
        search.displacementMm = meanDisplacementMm(search.correction, inBrainPoints(functionalMean));
        findings.reachedBound = outcome.reachedBound;
        findings.informative = outcome.bestValue > kInformativeNmi;
        if (settings.mirrorTest) {
            const Matrix4d mirror = mirrorX(bounds.centre[0]);
            for (SearchLevel& level : levels) {
                level.samples.voxelToWorld = multiply(mirror, level.samples.voxelToWorld);
            }
            const SearchOutcome mirrored = searchRigidOffsets(levels, bounds);
            search.mirroredBest = mirrored.bestValue;
            const SampleSet everyVoxel =
                sampleGrid(functionalMean, intensityRange(functionalMean, 0.995), settings.histogramBins,
                           functionalMean.values.size(), false);
            const MirrorEvidence evidence =
                compareMirrorLocally(levels.back().anatomical, everyVoxel, search.correction,
                                     multiply(rigidMotion(mirrored.best, bounds.centre), mirror),
                                     settings.histogramBins, kEvidenceBlockMm);
            search.mirrorEvidenceFor = evidence.forMirror;
            search.mirrorEvidenceAgainst = evidence.againstMirror;
            search.lrFlipSuspected = findings.informative && flipSuspected(search, settings);
        }
    }
    decideVerdict(check, findings, settings);
    check.search.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    check.search.cpuSeconds = threadCpuSeconds() - cpuStarted;
    return check;
}

Matrix4d bestAlignedAffine(const RunCheck& check, const NiftiImage& functional) {
    return multiply(check.search.correction, matrixFromRowMajor(functional.voxelToWorld));
}

std::vector<Point3d> displacementPoints(const NiftiImage& functional) {
    return inBrainPoints(temporalMean(functional));
}
