// Otsu foreground, largest component, filled holes and a box erosion of the functional's temporal mean.
#include "host/alignment_check/brain_mask.h"

#include <algorithm>
#include <cmath>

namespace {

const int kOtsuBins = 256;
// An eroded mask keeping less than this share of the brain is too small to compare: erode less.
const double kMinKeptShare = 0.25;

struct Dims {
    int nx, ny, nz;
    size_t at(int x, int y, int z) const {
        return x + static_cast<size_t>(nx) * (y + static_cast<size_t>(ny) * z);
    }
};

// Marks with value every voxel 6-connected to a seed voxel whose flag equals from (iterative flood fill);
// returns how many it marked.
size_t flood(std::vector<uint8_t>& flags, const Dims& d, std::vector<size_t> stack, uint8_t from,
             uint8_t value) {
    size_t marked = stack.size();
    for (size_t s : stack) {
        flags[s] = value;
    }
    while (!stack.empty()) {
        const size_t i = stack.back();
        stack.pop_back();
        const int x = static_cast<int>(i % d.nx), y = static_cast<int>(i / d.nx % d.ny),
                  z = static_cast<int>(i / d.nx / d.ny);
        const int nb[6][3] = {{x - 1, y, z}, {x + 1, y, z}, {x, y - 1, z},
                              {x, y + 1, z}, {x, y, z - 1}, {x, y, z + 1}};
        for (const auto& n : nb) {
            if (n[0] < 0 || n[1] < 0 || n[2] < 0 || n[0] >= d.nx || n[1] >= d.ny || n[2] >= d.nz) {
                continue;
            }
            const size_t j = d.at(n[0], n[1], n[2]);
            if (flags[j] == from) {
                flags[j] = value;
                stack.push_back(j);
                ++marked;
            }
        }
    }
    return marked;
}

// Keeps only the largest 6-connected component of the set voxels (flags 1 in, 0 out).
void keepLargestComponent(std::vector<uint8_t>& flags, const Dims& d) {
    // Every component is flooded to 2 once; the largest seen so far is then flooded on to 3 and the one
    // it displaces back to 2, so each voxel is visited a bounded number of times.
    size_t bestSize = 0, bestSeed = 0;
    bool haveBest = false;
    for (size_t i = 0; i < flags.size(); ++i) {
        if (flags[i] != 1) {
            continue;
        }
        const size_t size = flood(flags, d, {i}, 1, 2);
        if (size > bestSize) {
            if (haveBest) {
                flood(flags, d, {bestSeed}, 3, 2);
            }
            flood(flags, d, {i}, 2, 3);
            bestSize = size;
            bestSeed = i;
            haveBest = true;
        }
    }
    for (uint8_t& f : flags) {
        f = f == 3 ? 1 : 0;
    }
}

// Sets every voxel not reachable from the grid's border through unset voxels (holes inside the brain).
void fillHoles(std::vector<uint8_t>& flags, const Dims& d) {
    std::vector<size_t> seeds;
    for (int z = 0; z < d.nz; ++z) {
        for (int y = 0; y < d.ny; ++y) {
            for (int x = 0; x < d.nx; ++x) {
                const bool border =
                    x == 0 || y == 0 || z == 0 || x == d.nx - 1 || y == d.ny - 1 || z == d.nz - 1;
                if (border && flags[d.at(x, y, z)] == 0) {
                    seeds.push_back(d.at(x, y, z));
                }
            }
        }
    }
    flood(flags, d, seeds, 0, 2);
    for (uint8_t& f : flags) {
        f = f == 2 ? 0 : 1;
    }
}

// Box erosion by radius voxels along each axis (a voxel stays when every voxel within the box is set;
// the grid's outside counts as set, so a brain cut by the field of view keeps its cut face).
std::vector<uint8_t> eroded(const std::vector<uint8_t>& flags, const Dims& d, const int radius[3]) {
    std::vector<uint8_t> out = flags, line;
    const int dims[3] = {d.nx, d.ny, d.nz};
    const size_t strides[3] = {1, static_cast<size_t>(d.nx), static_cast<size_t>(d.nx) * d.ny};
    for (int axis = 0; axis < 3; ++axis) {
        const int r = radius[axis], n = dims[axis];
        if (r <= 0) {
            continue;
        }
        const std::vector<uint8_t> in = out;
        line.resize(n);
        for (size_t start = 0; start < in.size(); ++start) {
            // Visit each line once: from its first voxel along axis.
            if ((start / strides[axis]) % n != 0) {
                continue;
            }
            int run = 0; // unset voxels seen within the last 2r+1 positions, counted by a sliding window
            for (int i = 0; i < n + r; ++i) {
                if (i < n) {
                    run += in[start + i * strides[axis]] == 0;
                }
                if (i - 2 * r - 1 >= 0 && i - 2 * r - 1 < n) {
                    run -= in[start + (i - 2 * r - 1) * strides[axis]] == 0;
                }
                const int centre = i - r;
                if (centre >= 0) {
                    out[start + centre * strides[axis]] = in[start + centre * strides[axis]] && run == 0;
                }
            }
        }
    }
    return out;
}

} // namespace

float otsuThreshold(const std::vector<float>& values) {
    float low = INFINITY, high = -INFINITY;
    for (float v : values) {
        if (std::isfinite(v)) {
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
    if (!(high > low)) {
        return low;
    }
    std::vector<double> counts(kOtsuBins, 0.0);
    const double scale = kOtsuBins / (static_cast<double>(high) - low);
    for (float v : values) {
        if (std::isfinite(v)) {
            counts[std::min(kOtsuBins - 1, static_cast<int>((v - low) * scale))] += 1.0;
        }
    }
    double total = 0, sum = 0;
    for (int b = 0; b < kOtsuBins; ++b) {
        total += counts[b];
        sum += b * counts[b];
    }
    double below = 0, belowSum = 0, best = -1;
    int bestBin = 0;
    for (int b = 0; b < kOtsuBins - 1; ++b) {
        below += counts[b];
        belowSum += b * counts[b];
        const double above = total - below;
        if (below == 0 || above == 0) {
            continue;
        }
        const double m0 = belowSum / below, m1 = (sum - belowSum) / above;
        const double between = below * above * (m0 - m1) * (m0 - m1);
        if (between > best) {
            best = between;
            bestBin = b;
        }
    }
    return static_cast<float>(low + (bestBin + 1) / scale);
}

VoxelMask brainMask(const ScalarGrid& grid, double erosionMm) {
    VoxelMask mask;
    const Dims d{grid.nx, grid.ny, grid.nz};
    mask.inside.assign(grid.values.size(), 0);
    const float threshold = otsuThreshold(grid.values);
    size_t count = 0;
    for (size_t i = 0; i < grid.values.size(); ++i) {
        mask.inside[i] = std::isfinite(grid.values[i]) && grid.values[i] > threshold;
        count += mask.inside[i];
    }
    if (count == 0) {
        return mask;
    }
    keepLargestComponent(mask.inside, d);
    fillHoles(mask.inside, d);
    size_t brain = 0;
    for (uint8_t f : mask.inside) {
        brain += f;
    }
    const std::array<double, 3> sizes = voxelSizes(grid.voxelToWorld);
    const int dims[3] = {grid.nx, grid.ny, grid.nz};
    for (double mm = erosionMm; mm >= 1.0; mm *= 0.5) {
        int radius[3];
        for (int a = 0; a < 3; ++a) {
            // An axis of few voxels (a thin slab) is not eroded along: it would vanish.
            radius[a] = dims[a] < 8 ? 0 : static_cast<int>(std::floor(mm / sizes[a] + 0.5));
        }
        std::vector<uint8_t> candidate = eroded(mask.inside, d, radius);
        size_t kept = 0;
        for (uint8_t f : candidate) {
            kept += f;
        }
        if (kept >= kMinKeptShare * brain) {
            mask.inside = std::move(candidate);
            mask.erodedMm = mm;
            return mask;
        }
    }
    return mask;
}
