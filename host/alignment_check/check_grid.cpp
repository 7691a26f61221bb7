// Temporal means, block averages and intensity bins of the alignment check's grids.
#include "host/alignment_check/check_grid.h"

#include <algorithm>
#include <cmath>

ScalarGrid temporalMean(const NiftiImage& image) {
    ScalarGrid grid;
    grid.nx = image.nx;
    grid.ny = image.ny;
    grid.nz = image.nz;
    grid.voxelToWorld = matrixFromRowMajor(image.voxelToWorld);
    const size_t perVolume = static_cast<size_t>(image.nx) * image.ny * image.nz;
    if (image.nt == 1) {
        // One volume (an anatomical): its finite samples are their own mean; no sums to hold.
        grid.values.resize(perVolume);
        for (size_t i = 0; i < perVolume; ++i) {
            const float value = image.isInt16 ? image.int16Samples[i] : image.floatSamples[i];
            grid.values[i] = std::isfinite(value) ? value : NAN;
        }
        return grid;
    }
    std::vector<double> sums(perVolume, 0.0);
    std::vector<int> counts(perVolume, 0);
    for (int t = 0; t < image.nt; ++t) {
        for (size_t i = 0; i < perVolume; ++i) {
            const size_t at = t * perVolume + i;
            const double value = image.isInt16 ? image.int16Samples[at] : image.floatSamples[at];
            if (std::isfinite(value)) {
                sums[i] += value;
                ++counts[i];
            }
        }
    }
    grid.values.resize(perVolume);
    for (size_t i = 0; i < perVolume; ++i) {
        grid.values[i] = counts[i] > 0 ? static_cast<float>(sums[i] / counts[i]) : NAN;
    }
    return grid;
}

std::array<double, 3> voxelSizes(const Matrix4d& m) {
    std::array<double, 3> sizes;
    for (int j = 0; j < 3; ++j) {
        sizes[j] = std::sqrt(m[0][j] * m[0][j] + m[1][j] * m[1][j] + m[2][j] * m[2][j]);
    }
    return sizes;
}

ScalarGrid averageBlocks(const ScalarGrid& grid, const std::array<int, 3>& factor) {
    ScalarGrid out;
    out.nx = (grid.nx + factor[0] - 1) / factor[0];
    out.ny = (grid.ny + factor[1] - 1) / factor[1];
    out.nz = (grid.nz + factor[2] - 1) / factor[2];
    std::vector<float> sums(static_cast<size_t>(out.nx) * out.ny * out.nz, 0.0f);
    std::vector<int> counts(sums.size(), 0);
    size_t index = 0;
    for (int z = 0; z < grid.nz; ++z) {
        for (int y = 0; y < grid.ny; ++y) {
            const size_t row = static_cast<size_t>(out.nx) * (y / factor[1] + out.ny * (z / factor[2]));
            for (int x = 0; x < grid.nx; ++x, ++index) {
                const float value = grid.values[index];
                if (std::isfinite(value)) {
                    sums[row + x / factor[0]] += value;
                    ++counts[row + x / factor[0]];
                }
            }
        }
    }
    out.values.resize(sums.size());
    for (size_t i = 0; i < sums.size(); ++i) {
        out.values[i] = counts[i] > 0 ? sums[i] / static_cast<float>(counts[i]) : NAN;
    }
    // New voxel i covers old voxels factor*i .. factor*i + factor - 1, centred at factor*i + (factor-1)/2.
    Matrix4d scale = identityMatrix();
    for (int a = 0; a < 3; ++a) {
        scale[a][a] = factor[a];
        scale[a][3] = (factor[a] - 1) * 0.5;
    }
    out.voxelToWorld = multiply(grid.voxelToWorld, scale);
    return out;
}

std::array<int, 3> blockFactorsFor(const ScalarGrid& grid, double spacingMm) {
    const std::array<double, 3> sizes = voxelSizes(grid.voxelToWorld);
    const int dims[3] = {grid.nx, grid.ny, grid.nz};
    std::array<int, 3> factor;
    for (int a = 0; a < 3; ++a) {
        const double wanted = std::floor(spacingMm / sizes[a] + 0.5);
        factor[a] = static_cast<int>(std::clamp(wanted, 1.0, static_cast<double>(std::max(1, dims[a]))));
    }
    return factor;
}

IntensityRange intensityRange(const ScalarGrid& grid, double upperQuantile) {
    std::vector<float> finite;
    finite.reserve(grid.values.size());
    for (float value : grid.values) {
        if (std::isfinite(value)) {
            finite.push_back(value);
        }
    }
    IntensityRange range;
    if (finite.empty()) {
        return range;
    }
    const size_t at = static_cast<size_t>(upperQuantile * static_cast<double>(finite.size() - 1));
    std::nth_element(finite.begin(), finite.begin() + at, finite.end());
    range.high = finite[at];
    range.low = *std::min_element(finite.begin(), finite.end());
    if (!(range.high > range.low)) {
        range.high = *std::max_element(finite.begin(), finite.end());
    }
    return range;
}

int binOf(float value, const IntensityRange& range, int bins) {
    if (!std::isfinite(value) || !(range.high > range.low)) {
        return 0;
    }
    const double scaled = (static_cast<double>(value) - range.low) / (range.high - range.low) * bins;
    return static_cast<int>(std::clamp(scaled, 0.0, bins - 1.0));
}

std::vector<uint8_t> binSamples(const ScalarGrid& grid, const IntensityRange& range, int bins) {
    std::vector<uint8_t> out(grid.values.size());
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<uint8_t>(binOf(grid.values[i], range, bins));
    }
    return out;
}

Point3d gridCentre(const ScalarGrid& grid) {
    return transformPoint(grid.voxelToWorld, {(grid.nx - 1) * 0.5, (grid.ny - 1) * 0.5, (grid.nz - 1) * 0.5});
}
