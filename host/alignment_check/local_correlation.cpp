// Block-wise Pearson correlation of the functional's brain against the trilinearly sampled anatomy.
#include "host/alignment_check/local_correlation.h"

#include <algorithm>
#include <cmath>

#include "host/alignment_check/voxel_mapping.h"
#include "host/alignment_check/scrambled_index.h"

namespace {

// Blocks with fewer samples inside the anatomical are left out: their correlation is mostly noise.
const double kMinBlockSamples = 6;
// A coarse level's blocks span at least this many of its voxels per axis.
const double kMinVoxelsPerBlock = 2.5;
// A coarse voxel is in the brain when at least this share of the fine voxels it averages are.
const float kMinMaskShare = 0.5f;

// The level's anatomy from grid, whose samples it takes over.
AnatomyLevel anatomyLevel(ScalarGrid&& grid) {
    AnatomyLevel level;
    level.nx = grid.nx;
    level.ny = grid.ny;
    level.nz = grid.nz;
    for (float& v : grid.values) {
        v = std::isfinite(v) ? v : 0.0f;
    }
    level.values = std::make_shared<const std::vector<float>>(std::move(grid.values));
    level.worldToVoxel = invertAffine(grid.voxelToWorld);
    return level;
}

BlockSamples blockSamples(const ScalarGrid& functional, const std::vector<float>& maskShare, double blockMm,
                          size_t maxSamples) {
    BlockSamples samples;
    samples.voxelToWorld = functional.voxelToWorld;
    const std::array<double, 3> sizes = voxelSizes(functional.voxelToWorld);
    const double largest = std::max({sizes[0], sizes[1], sizes[2]});
    const double block = std::max(blockMm, kMinVoxelsPerBlock * largest);
    size_t perAxis[3];
    double voxelsPerBlock[3];
    const int dims[3] = {functional.nx, functional.ny, functional.nz};
    for (int a = 0; a < 3; ++a) {
        voxelsPerBlock[a] = std::max(1.0, block / sizes[a]);
        perAxis[a] = static_cast<size_t>(dims[a] / voxelsPerBlock[a]) + 1;
    }
    samples.blockCount = perAxis[0] * perAxis[1] * perAxis[2];
    size_t inMask = 0;
    for (size_t i = 0; i < maskShare.size(); ++i) {
        inMask += std::isfinite(functional.values[i]) && maskShare[i] >= kMinMaskShare;
    }
    // Above maxSamples, a spread pick of them: the blocks keep enough voxels each to correlate.
    const double keep =
        inMask > maxSamples ? static_cast<double>(maxSamples) / inMask * 4294967296.0 : 4294967296.0;
    size_t index = 0;
    for (int z = 0; z < functional.nz; ++z) {
        for (int y = 0; y < functional.ny; ++y) {
            for (int x = 0; x < functional.nx; ++x, ++index) {
                const float value = functional.values[index];
                if (!std::isfinite(value) || !(maskShare[index] >= kMinMaskShare) ||
                    !(static_cast<double>(scrambled(static_cast<uint32_t>(index))) < keep)) {
                    continue;
                }
                samples.x.push_back(static_cast<float>(x));
                samples.y.push_back(static_cast<float>(y));
                samples.z.push_back(static_cast<float>(z));
                samples.value.push_back(value);
                const size_t bx = static_cast<size_t>(x / voxelsPerBlock[0]);
                const size_t by = static_cast<size_t>(y / voxelsPerBlock[1]);
                const size_t bz = static_cast<size_t>(z / voxelsPerBlock[2]);
                samples.block.push_back(static_cast<uint32_t>(bx + perAxis[0] * (by + perAxis[1] * bz)));
            }
        }
    }
    // Only the blocks that hold samples are kept, numbered in their grid order (so every sum over blocks
    // keeps its order): most of the grid's blocks lie outside the brain, and each evaluation clears and
    // scans every block's sums.
    std::vector<uint32_t> renumbered(samples.blockCount, 0);
    for (uint32_t block : samples.block) {
        renumbered[block] = 1;
    }
    uint32_t kept = 0;
    for (uint32_t& number : renumbered) {
        number = number != 0 ? kept++ : 0;
    }
    for (uint32_t& block : samples.block) {
        block = renumbered[block];
    }
    samples.blockCount = kept;
    return samples;
}

CorrelationValue blockCorrelation(const CorrelationLevel& level, const Matrix4d& placement,
                                  std::vector<double>& scratch, double* contributions);

} // namespace

CorrelationValue localCorrelation(const CorrelationLevel& level, const Matrix4d& placement,
                                  std::vector<double>& scratch) {
    return blockCorrelation(level, placement, scratch, nullptr);
}

CorrelationValue localCorrelation(const CorrelationLevel& level, const Matrix4d& placement,
                                  std::vector<double>& scratch, std::vector<double>& contributions) {
    contributions.assign(level.samples.blockCount, 0.0);
    return blockCorrelation(level, placement, scratch, contributions.data());
}

namespace {

CorrelationValue blockCorrelation(const CorrelationLevel& level, const Matrix4d& placement,
                                  std::vector<double>& scratch, double* contributions) {
    const AnatomyLevel& anatomy = level.anatomy;
    const BlockSamples& samples = level.samples;
    CorrelationValue result;
    const size_t count = samples.value.size();
    if (count == 0) {
        return result;
    }
    const VoxelMapping map = voxelMapping(anatomy.worldToVoxel, placement, samples.voxelToWorld, anatomy.nx,
                                          anatomy.ny, anatomy.nz);
    const size_t sx = map.sx, sy = map.sy, sz = map.sz;
    // Per block: n, sum a, sum a^2, sum f, sum f^2, sum a f.
    scratch.assign(samples.blockCount * 6, 0.0);
    double* sums = scratch.data();
    const float* values = anatomy.values->data();
    // Adds one sample inside the anatomical to its block's sums.
    auto addSample = [&](size_t s, size_t cell, float fx, float fy, float fz) {
        const float* c = values + cell;
        const float a00 = c[0] + fx * (c[sx] - c[0]);
        const float a10 = c[sy] + fx * (c[sy + sx] - c[sy]);
        const float a01 = c[sz] + fx * (c[sz + sx] - c[sz]);
        const float a11 = c[sz + sy] + fx * (c[sz + sy + sx] - c[sz + sy]);
        const float a0 = a00 + fy * (a10 - a00), a1 = a01 + fy * (a11 - a01);
        const double a = a0 + fz * (a1 - a0);
        const double f = samples.value[s];
        double* b = sums + static_cast<size_t>(samples.block[s]) * 6;
        b[0] += 1.0;
        b[1] += a;
        b[2] += a * a;
        b[3] += f;
        b[4] += f * f;
        b[5] += a * f;
    };
    const size_t inside =
        visitMappedCells(map, samples.x.data(), samples.y.data(), samples.z.data(), count, addSample);
    result.insideShare = static_cast<double>(inside) / static_cast<double>(count);
    // Sums for the weighted mean and its standard error: sum w^2 (r - mean)^2 / (sum w)^2 expanded.
    double weighted = 0, weights = 0, w2r2 = 0, w2r = 0, w2 = 0;
    for (size_t k = 0; k < samples.blockCount; ++k) {
        const double* b = sums + k * 6;
        const double n = b[0];
        if (n < kMinBlockSamples) {
            continue;
        }
        const double va = n * b[2] - b[1] * b[1], vf = n * b[4] - b[3] * b[3];
        if (!(va > 1e-9 * n * b[2]) || !(vf > 1e-9 * n * b[4])) {
            continue; // a flat block: no correlation to speak of
        }
        const double r = (n * b[5] - b[1] * b[3]) / std::sqrt(va * vf);
        if (contributions != nullptr) {
            contributions[k] = n * r / static_cast<double>(count);
        }
        weighted += n * r;
        weights += n;
        w2r2 += n * n * r * r;
        w2r += n * n * r;
        w2 += n * n;
    }
    if (weights > 0) {
        const double mean = weighted / weights;
        result.value = weighted / static_cast<double>(count);
        result.standardError = std::sqrt(std::max(0.0, w2r2 - 2 * mean * w2r + mean * mean * w2)) / weights;
    }
    return result;
}

} // namespace

std::vector<CorrelationLevel> correlationLevels(ScalarGrid anatomy, const ScalarGrid& functional,
                                                const VoxelMask& mask, const std::vector<double>& spacingsMm,
                                                double blockMm, size_t maxSamples,
                                                size_t maxCoarsestSamples) {
    ScalarGrid maskGrid;
    maskGrid.nx = functional.nx;
    maskGrid.ny = functional.ny;
    maskGrid.nz = functional.nz;
    maskGrid.voxelToWorld = functional.voxelToWorld;
    maskGrid.values.resize(mask.inside.size());
    for (size_t i = 0; i < mask.inside.size(); ++i) {
        maskGrid.values[i] = mask.inside[i] ? 1.0f : 0.0f;
    }
    std::vector<CorrelationLevel> levels;
    AnatomyLevel ownResolution; // made once, from the anatomy's own samples, when a level first needs it
    for (size_t k = 0; k < spacingsMm.size(); ++k) {
        const bool finest = k + 1 == spacingsMm.size();
        const std::array<int, 3> f =
            finest ? std::array<int, 3>{1, 1, 1} : blockFactorsFor(functional, spacingsMm[k]);
        const bool same = f == std::array<int, 3>{1, 1, 1};
        const ScalarGrid coarse = same ? functional : averageBlocks(functional, f);
        const ScalarGrid coarseMask = same ? maskGrid : averageBlocks(maskGrid, f);
        const std::array<double, 3> sizes = voxelSizes(coarse.voxelToWorld);
        const double spacing = std::max({sizes[0], sizes[1], sizes[2]});
        // The anatomy at about half the functional's spacing: fine enough to interpolate smoothly.
        const std::array<int, 3> af = blockFactorsFor(anatomy, 0.5 * spacing);
        CorrelationLevel level;
        if (af != std::array<int, 3>{1, 1, 1}) {
            // Levels run coarse to fine, so the anatomy's own samples are still here: once a level samples
            // it at its own resolution, every finer level does too.
            level.anatomy = anatomyLevel(averageBlocks(anatomy, af));
        } else {
            if (!ownResolution.values) {
                ownResolution = anatomyLevel(std::move(anatomy));
            }
            level.anatomy = ownResolution;
        }
        level.samples = blockSamples(coarse, coarseMask.values, blockMm,
                                     k == 0 && !finest ? maxCoarsestSamples : maxSamples);
        level.spacingMm = spacing;
        levels.push_back(std::move(level));
    }
    return levels;
}
