// Brain, ventricles and white matter of an anatomical, and their outlines on the report's planes.
#include "host/alignment_report/anatomy_regions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>

namespace {

const double kWorkingSpacingMm = 2.0;
const double kBridgeMm = 6.0; // thinner connections than this (about) are cut to part brain and scalp
const double kVentricleDepthMm = 14.0; // fluid at least this deep in the brain counts as ventricle
const double kMinVentricleMl = 1.0;
const double kMinWhiteMatterMl = 1.0;
const double kMidlineMm = 4.0;       // ventricles are sought further than this from the middle plane
const double kVentricleShare = 0.25; // of the largest piece of deep fluid: the two lateral ventricles
const double kMinBrainMl = 400.0;    // less (a slab, a cut-out piece): no brain told apart
const double kDeepMm = 15.0;         // the deep brain, mostly white matter

using Mask = std::vector<uint8_t>;

struct Grid {
    int nx = 0, ny = 0, nz = 0;
    size_t size() const { return static_cast<size_t>(nx) * ny * nz; }
};

// Blocks of voxels averaged into a grid of about kWorkingSpacingMm (non-finite samples count as 0).
ScalarGrid workingVolume(const ScalarGrid& volume) {
    int factor[3];
    for (int a = 0; a < 3; ++a) {
        const double size = std::sqrt(volume.voxelToWorld[0][a] * volume.voxelToWorld[0][a] +
                                      volume.voxelToWorld[1][a] * volume.voxelToWorld[1][a] +
                                      volume.voxelToWorld[2][a] * volume.voxelToWorld[2][a]);
        factor[a] = std::max(1, static_cast<int>(std::lround(kWorkingSpacingMm / std::max(size, 1e-6))));
    }
    ScalarGrid out;
    out.nx = (volume.nx + factor[0] - 1) / factor[0];
    out.ny = (volume.ny + factor[1] - 1) / factor[1];
    out.nz = (volume.nz + factor[2] - 1) / factor[2];
    const Matrix4d blockToVoxel = {{{double(factor[0]), 0, 0, (factor[0] - 1) * 0.5},
                                    {0, double(factor[1]), 0, (factor[1] - 1) * 0.5},
                                    {0, 0, double(factor[2]), (factor[2] - 1) * 0.5},
                                    {0, 0, 0, 1}}};
    out.voxelToWorld = multiply(volume.voxelToWorld, blockToVoxel);
    std::vector<double> sums(static_cast<size_t>(out.nx) * out.ny * out.nz, 0.0);
    std::vector<int> counts(sums.size(), 0);
    size_t i = 0;
    for (int k = 0; k < volume.nz; ++k) {
        for (int j = 0; j < volume.ny; ++j) {
            for (int x = 0; x < volume.nx; ++x, ++i) {
                const size_t o =
                    x / factor[0] + static_cast<size_t>(out.nx) *
                                        (j / factor[1] + static_cast<size_t>(out.ny) * (k / factor[2]));
                const float v = volume.values[i];
                sums[o] += std::isfinite(v) ? v : 0.0f;
                ++counts[o];
            }
        }
    }
    out.values.resize(sums.size());
    for (size_t o = 0; o < sums.size(); ++o) {
        out.values[o] = static_cast<float>(sums[o] / std::max(counts[o], 1));
    }
    return out;
}

// The threshold that best splits the samples into two classes (Otsu), over 256 bins up to the 99.5th
// percentile.
float otsuThreshold(const std::vector<float>& samples) {
    // The percentile by a partial sort: a whole head's samples are millions, and only this one rank matters.
    std::vector<float> ranked(samples);
    const auto at = ranked.begin() + static_cast<std::ptrdiff_t>(0.995 * (ranked.size() - 1));
    std::nth_element(ranked.begin(), at, ranked.end());
    const float low = *std::min_element(ranked.begin(), ranked.end()), high = *at;
    if (!(high > low)) {
        return high;
    }
    double histogram[256] = {};
    for (float v : samples) {
        histogram[std::clamp(static_cast<int>((v - low) / (high - low) * 255.0f), 0, 255)] += 1;
    }
    double total = 0, weightedTotal = 0;
    for (int b = 0; b < 256; ++b) {
        total += histogram[b];
        weightedTotal += b * histogram[b];
    }
    double below = 0, weightedBelow = 0, bestSpread = -1;
    int best = 0;
    for (int b = 0; b < 255; ++b) {
        below += histogram[b];
        weightedBelow += b * histogram[b];
        const double above = total - below;
        if (below == 0 || above == 0) {
            continue;
        }
        const double difference = weightedBelow / below - (weightedTotal - weightedBelow) / above;
        const double spread = below * above * difference * difference;
        if (spread > bestSpread) {
            bestSpread = spread;
            best = b;
        }
    }
    return low + (best + 1) * (high - low) / 255.0f;
}

// Class centres refined by k-means (each value to the nearest centre, each centre to its values' mean).
void refineCentres(const std::vector<float>& values, std::array<double, 3>& centres) {
    for (int iteration = 0; iteration < 15; ++iteration) {
        double sums[3] = {0, 0, 0}, counts[3] = {0, 0, 0};
        for (float v : values) {
            int nearest = 0;
            for (int c = 1; c < 3; ++c) {
                nearest = std::fabs(v - centres[c]) < std::fabs(v - centres[nearest]) ? c : nearest;
            }
            sums[nearest] += v;
            counts[nearest] += 1;
        }
        for (int c = 0; c < 3; ++c) {
            centres[c] = counts[c] > 0 ? sums[c] / counts[c] : centres[c];
        }
    }
}

// The centre of the fullest bin of a 64-bin histogram of the values (smoothed by [1 2 1]).
double mostCommonValue(const std::vector<float>& values) {
    const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    const double low = *lowest, width = (*highest - low) / 64.0;
    if (!(width > 0)) {
        return low;
    }
    double counts[66] = {};
    for (float v : values) {
        counts[1 + std::min(63, static_cast<int>((v - low) / width))] += 1;
    }
    int best = 1;
    for (int b = 1; b <= 64; ++b) {
        if (counts[b - 1] + 2 * counts[b] + counts[b + 1] >
            counts[best - 1] + 2 * counts[best] + counts[best + 1]) {
            best = b;
        }
    }
    return low + (best - 0.5) * width;
}

// Calls visit(n) for each of the up to six face neighbours of voxel i.
template <typename Visit> void forNeighbours(const Grid& g, size_t i, Visit visit) {
    const int x = static_cast<int>(i % g.nx), y = static_cast<int>(i / g.nx % g.ny);
    const int z = static_cast<int>(i / (static_cast<size_t>(g.nx) * g.ny));
    const size_t sy = g.nx, sz = static_cast<size_t>(g.nx) * g.ny;
    if (x > 0)
        visit(i - 1);
    if (x < g.nx - 1)
        visit(i + 1);
    if (y > 0)
        visit(i - sy);
    if (y < g.ny - 1)
        visit(i + sy);
    if (z > 0)
        visit(i - sz);
    if (z < g.nz - 1)
        visit(i + sz);
}

bool onFace(const Grid& g, size_t i) {
    const int x = static_cast<int>(i % g.nx), y = static_cast<int>(i / g.nx % g.ny);
    const int z = static_cast<int>(i / (static_cast<size_t>(g.nx) * g.ny));
    return x == 0 || y == 0 || z == 0 || x == g.nx - 1 || y == g.ny - 1 || z == g.nz - 1;
}

// Voxels within `steps` face steps of the mask's outside (the grid's faces count as outside) removed.
Mask eroded(const Grid& g, Mask mask, int steps) {
    for (int s = 0; s < steps; ++s) {
        Mask next = mask;
        for (size_t i = 0; i < mask.size(); ++i) {
            if (mask[i] && onFace(g, i)) {
                next[i] = 0;
            } else if (mask[i]) {
                forNeighbours(g, i, [&](size_t n) { next[i] &= mask[n]; });
            }
        }
        mask.swap(next);
    }
    return mask;
}

// The mask grown by `steps` face steps, only into voxels of within.
Mask grownWithin(const Grid& g, Mask mask, int steps, const Mask& within) {
    for (int s = 0; s < steps; ++s) {
        Mask next = mask;
        for (size_t i = 0; i < mask.size(); ++i) {
            if (mask[i]) {
                forNeighbours(g, i, [&](size_t n) { next[n] |= within[n]; });
            }
        }
        mask.swap(next);
    }
    return mask;
}

// Each connected piece of the mask (face neighbours) and its voxel count; label 0 is outside.
std::vector<size_t> labelPieces(const Grid& g, const Mask& mask, std::vector<int>& labels) {
    labels.assign(mask.size(), 0);
    std::vector<size_t> counts{0};
    std::deque<size_t> queue;
    for (size_t seed = 0; seed < mask.size(); ++seed) {
        if (!mask[seed] || labels[seed] != 0) {
            continue;
        }
        const int label = static_cast<int>(counts.size());
        counts.push_back(0);
        labels[seed] = label;
        queue.push_back(seed);
        while (!queue.empty()) {
            const size_t i = queue.front();
            queue.pop_front();
            ++counts[label];
            forNeighbours(g, i, [&](size_t n) {
                if (mask[n] && labels[n] == 0) {
                    labels[n] = label;
                    queue.push_back(n);
                }
            });
        }
    }
    return counts;
}

// The pieces of at least minVoxels voxels and at least shareOfLargest of the largest piece's voxels.
Mask keptPieces(const Grid& g, const Mask& mask, size_t minVoxels, double shareOfLargest) {
    std::vector<int> labels;
    const std::vector<size_t> counts = labelPieces(g, mask, labels);
    const size_t largest = *std::max_element(counts.begin(), counts.end());
    const size_t least = std::max(minVoxels, static_cast<size_t>(std::ceil(shareOfLargest * largest)));
    Mask out(mask.size(), 0);
    for (size_t i = 0; i < mask.size(); ++i) {
        out[i] = labels[i] != 0 && counts[labels[i]] >= least;
    }
    return out;
}

// The mask with every hole filled: all that the outside cannot reach from the grid's faces.
Mask filled(const Grid& g, const Mask& mask) {
    Mask outside(mask.size(), 0);
    std::deque<size_t> queue;
    for (size_t i = 0; i < mask.size(); ++i) {
        if (!mask[i] && onFace(g, i)) {
            outside[i] = 1;
            queue.push_back(i);
        }
    }
    while (!queue.empty()) {
        const size_t i = queue.front();
        queue.pop_front();
        forNeighbours(g, i, [&](size_t n) {
            if (!mask[n] && !outside[n]) {
                outside[n] = 1;
                queue.push_back(n);
            }
        });
    }
    Mask out(mask.size());
    for (size_t i = 0; i < mask.size(); ++i) {
        out[i] = !outside[i];
    }
    return out;
}

// The mask with the holes of each slice across the given axis filled: the ventricles reach the brain's
// surface through narrow gaps in 3-D, but lie enclosed in most slices.
Mask filledSlices(const Grid& g, const Mask& mask, int axis) {
    const int size[3] = {g.nx, g.ny, g.nz};
    const size_t stride[3] = {1, static_cast<size_t>(g.nx), static_cast<size_t>(g.nx) * g.ny};
    const int u = axis == 0 ? 1 : 0, v = axis == 2 ? 1 : 2; // the slice's two axes
    Mask out = mask;
    std::vector<uint8_t> reached;
    std::deque<std::pair<int, int>> queue;
    for (int s = 0; s < size[axis]; ++s) {
        auto index = [&](int a, int b) { return s * stride[axis] + a * stride[u] + b * stride[v]; };
        reached.assign(static_cast<size_t>(size[u]) * size[v], 0);
        for (int a = 0; a < size[u]; ++a) {
            for (int b = 0; b < size[v]; ++b) {
                if ((a == 0 || b == 0 || a == size[u] - 1 || b == size[v] - 1) && !mask[index(a, b)]) {
                    reached[static_cast<size_t>(b) * size[u] + a] = 1;
                    queue.emplace_back(a, b);
                }
            }
        }
        while (!queue.empty()) {
            const auto [a, b] = queue.front();
            queue.pop_front();
            const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
            for (const auto& step : steps) {
                const int na = a + step[0], nb = b + step[1];
                if (na < 0 || nb < 0 || na >= size[u] || nb >= size[v]) {
                    continue;
                }
                uint8_t& seen = reached[static_cast<size_t>(nb) * size[u] + na];
                if (!seen && !mask[index(na, nb)]) {
                    seen = 1;
                    queue.emplace_back(na, nb);
                }
            }
        }
        for (int a = 0; a < size[u]; ++a) {
            for (int b = 0; b < size[v]; ++b) {
                out[index(a, b)] |= !reached[static_cast<size_t>(b) * size[u] + a];
            }
        }
    }
    return out;
}

// The voxel axis whose direction lies nearest world x (left-right).
int leftRightAxis(const Matrix4d& voxelToWorld) {
    int best = 0;
    double bestShare = -1;
    for (int a = 0; a < 3; ++a) {
        const double x = voxelToWorld[0][a], y = voxelToWorld[1][a], z = voxelToWorld[2][a];
        const double share = std::fabs(x) / std::max(std::sqrt(x * x + y * y + z * z), 1e-12);
        if (share > bestShare) {
            bestShare = share;
            best = a;
        }
    }
    return best;
}

ScalarGrid maskVolume(const ScalarGrid& grid, const Mask& mask) {
    ScalarGrid v;
    v.nx = grid.nx, v.ny = grid.ny, v.nz = grid.nz;
    v.voxelToWorld = grid.voxelToWorld;
    v.values.assign(mask.begin(), mask.end());
    return v;
}

} // namespace

AnatomyRegions findAnatomyRegions(const ScalarGrid& anatomical) {
    AnatomyRegions regions;
    if (anatomical.values.empty()) {
        return regions;
    }
    const ScalarGrid work = workingVolume(anatomical);
    const Grid g{work.nx, work.ny, work.nz};
    const Matrix4d& m = work.voxelToWorld;
    const double voxelMl = std::fabs(m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                                     m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                                     m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0])) /
                           1000.0;
    const int bridgeSteps = std::max(1, static_cast<int>(std::lround(kBridgeMm / kWorkingSpacingMm)));

    // Tissue: above the threshold between the head and the background, raised by 30% of the way to the
    // threshold between the head's dark and bright samples, so that the skull and the fluid around the
    // brain part it from the scalp.
    const float headThreshold = otsuThreshold(work.values);
    std::vector<float> head;
    for (float v : work.values) {
        if (v > headThreshold) {
            head.push_back(v);
        }
    }
    const float threshold =
        head.empty() ? headThreshold : headThreshold + 0.3f * (otsuThreshold(head) - headThreshold);
    Mask tissue(g.size());
    for (size_t i = 0; i < g.size(); ++i) {
        tissue[i] = work.values[i] > threshold;
    }
    Mask brain = keptPieces(g, eroded(g, tissue, bridgeSteps), 1, 1.0);
    brain = filled(g, grownWithin(g, brain, bridgeSteps + 1, tissue));
    // Filled in the slices across every voxel axis but the one nearest left-right first: the ventricles are
    // enclosed in axial and coronal slices, while the fissure between the hemispheres stays open there, so
    // that it does not count as deep. Then across that axis too, for the outline.
    const int leftRight = leftRightAxis(work.voxelToWorld);
    for (int axis = 0; axis < 3; ++axis) {
        if (axis != leftRight) {
            brain = filledSlices(g, brain, axis);
        }
    }
    const Mask deep = eroded(g, brain, static_cast<int>(std::lround(kVentricleDepthMm / kWorkingSpacingMm)));
    brain = filledSlices(g, brain, leftRight);
    const size_t brainVoxels = static_cast<size_t>(std::count(brain.begin(), brain.end(), 1));
    if (brainVoxels * voxelMl < kMinBrainMl) {
        return regions;
    }

    // The white matter fills most of the deep brain (over kDeepMm inside): its centre is their median. The
    // grey and the fluid lie to the side where the brain's mean lies (below in a T1, above in a T2); the grey
    // is the most common value there. Grey and white part halfway between their centres; fluid lies beyond
    // the grey, away from the white, by more than 3/4 of that distance (partial volumes in sulci left out).
    const Mask deepBrain = eroded(g, brain, static_cast<int>(std::lround(kDeepMm / kWorkingSpacingMm)));
    std::vector<float> deepSamples;
    double brainSum = 0;
    for (size_t i = 0; i < g.size(); ++i) {
        brainSum += brain[i] ? work.values[i] : 0.0f;
        if (deepBrain[i]) {
            deepSamples.push_back(work.values[i]);
        }
    }
    if (deepSamples.empty()) {
        return regions;
    }
    std::nth_element(deepSamples.begin(), deepSamples.begin() + deepSamples.size() / 2, deepSamples.end());
    double whiteCentre = deepSamples[deepSamples.size() / 2];
    const double side = brainSum / static_cast<double>(brainVoxels) < whiteCentre ? -1.0 : 1.0;
    std::vector<float> beyond;
    for (size_t i = 0; i < g.size(); ++i) {
        if (brain[i] && side * (work.values[i] - whiteCentre) > 0) {
            beyond.push_back(work.values[i]);
        }
    }
    if (beyond.empty()) {
        return regions;
    }
    // Refined together with the fluid's centre (the extreme 2% on that side) by k-means: in a T1 the
    // deep brain's grey nuclei pull the median below the white matter's true centre.
    std::vector<float> all(beyond);
    for (size_t i = 0; i < g.size(); ++i) {
        if (brain[i] && side * (work.values[i] - whiteCentre) <= 0) {
            all.push_back(work.values[i]);
        }
    }
    const auto rank = all.begin() + static_cast<std::ptrdiff_t>((side < 0 ? 0.02 : 0.98) * (all.size() - 1));
    std::nth_element(all.begin(), rank, all.end());
    const double extreme = *rank;
    std::array<double, 3> centres = {extreme, mostCommonValue(beyond), whiteCentre}; // fluid, grey, white
    refineCentres(all, centres);
    const double greyCentre = centres[1];
    whiteCentre = centres[2];
    const double greyWhiteLimit = 0.5 * (greyCentre + whiteCentre);
    const double fluidLimit = greyCentre + 0.75 * (greyCentre - whiteCentre);
    Mask fluid(g.size()), white(g.size());
    for (size_t i = 0; i < g.size(); ++i) {
        const double v = work.values[i];
        white[i] = brain[i] && side * (v - greyWhiteLimit) < 0;
        fluid[i] = brain[i] && side * (v - fluidLimit) >= 0;
    }
    // Thin sheets of fluid (sulci) vanish in one erosion step; the ventricles' bodies are thicker. The
    // fissure between the hemispheres, wide in an average brain, is left out by starting only beside the
    // brain's middle plane, as the lateral ventricles lie; the growth below reaches the middle again.
    const Mask thickFluid = eroded(g, fluid, 1);
    const size_t stride[3] = {1, static_cast<size_t>(g.nx), static_cast<size_t>(g.nx) * g.ny};
    const int sizes[3] = {g.nx, g.ny, g.nz};
    auto leftRightIndex = [&](size_t i) {
        return static_cast<int>(i / stride[leftRight] % sizes[leftRight]);
    };
    double middle = 0;
    for (size_t i = 0; i < g.size(); ++i) {
        middle += brain[i] ? leftRightIndex(i) : 0;
    }
    middle /= static_cast<double>(brainVoxels);
    const double besideMiddle = kMidlineMm / kWorkingSpacingMm;
    Mask deepFluid(g.size());
    for (size_t i = 0; i < g.size(); ++i) {
        deepFluid[i] = thickFluid[i] && deep[i] && std::fabs(leftRightIndex(i) - middle) > besideMiddle;
    }
    Mask ventricles =
        keptPieces(g, deepFluid, static_cast<size_t>(kMinVentricleMl / voxelMl), kVentricleShare);
    ventricles = grownWithin(g, ventricles, 3, fluid);

    regions.brain = maskVolume(work, brain);
    regions.ventricles = maskVolume(work, ventricles);
    regions.whiteMatter =
        maskVolume(work, keptPieces(g, white, static_cast<size_t>(kMinWhiteMatterMl / voxelMl), 0.0));
    regions.found = true;
    return regions;
}

std::vector<uint8_t> regionOutlines(const AnatomyRegions& regions, const WorldView& view, PlaneKind kind) {
    int width = 0, height = 0;
    planeSize(view, kind, width, height);
    std::vector<uint8_t> outline(static_cast<size_t>(width) * height, kNoOutline);
    if (!regions.found) {
        return outline;
    }
    // The brain's outline over the grey/white boundary where they meet; the ventricles over both.
    const std::pair<const ScalarGrid*, OutlineKind> layers[3] = {{&regions.whiteMatter, kGreyWhiteOutline},
                                                                 {&regions.brain, kBrainOutline},
                                                                 {&regions.ventricles, kVentricleOutline}};
    for (const auto& [mask, outlineKind] : layers) {
        // Inside where the interpolated mask passes one half: a smooth boundary between the coarse voxels.
        const PlanePicture plane = samplePlane(*mask, mask->voxelToWorld, view, kind);
        auto valueAt = [&plane](int x, int y) {
            return plane.values[static_cast<size_t>(y) * plane.width + x];
        };
        // Outside the volume (NaN) is no boundary: a cut-off anatomy is not outlined along its cut.
        auto outside = [&](int x, int y) {
            return x >= 0 && y >= 0 && x < width && y < height && valueAt(x, y) < 0.5f;
        };
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (!(valueAt(x, y) >= 0.5f)) {
                    continue;
                }
                if (outside(x - 1, y) || outside(x + 1, y) || outside(x, y - 1) || outside(x, y + 1)) {
                    outline[static_cast<size_t>(y) * width + x] = outlineKind;
                }
            }
        }
    }
    return outline;
}
