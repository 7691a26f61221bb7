// Simulated EPI runs of known position from the MNI152 templates.
#include "simulated_epi.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <random>

#include "host/alignment_check/check_grid.h"

#ifndef POSALIGN_REPOSITORY_ROOT
#define POSALIGN_REPOSITORY_ROOT "."
#endif

namespace {

const Point3d kBrainCentre{0.0, -18.0, 18.0}; // MNI mm: about the middle of the brain

// Regions of lost signal (MNI mm): the orbitofrontal cortex above the frontal sinus, and the inferior
// temporal lobes above the ear canals. Each a Gaussian of the given sigmas.
struct Dropout {
    Point3d centre, sigma;
};
const Dropout kDropouts[] = {
    {{0.0, 38.0, -22.0}, {18.0, 12.0, 9.0}},
    {{-44.0, -12.0, -34.0}, {9.0, 16.0, 9.0}},
    {{44.0, -12.0, -34.0}, {9.0, 16.0, 9.0}},
};

size_t voxelCount(const NiftiImage& image) {
    return static_cast<size_t>(image.nx) * image.ny * image.nz;
}

float sampleAt(const NiftiImage& image, int x, int y, int z) {
    return image.floatSamples[x + static_cast<size_t>(image.nx) * (y + static_cast<size_t>(image.ny) * z)];
}

// The image blurred by a Gaussian of the given FWHM, one axis at a time; weights renormalised at the edges.
NiftiImage blurred(const NiftiImage& image, double fwhmMm) {
    NiftiImage out = image;
    const std::array<double, 3> sizes = voxelSizes(matrixFromRowMajor(image.voxelToWorld));
    const int dims[3] = {image.nx, image.ny, image.nz};
    const size_t strides[3] = {1, static_cast<size_t>(image.nx), static_cast<size_t>(image.nx) * image.ny};
    for (int axis = 0; axis < 3; ++axis) {
        const double sigma = fwhmMm / 2.3548 / sizes[axis];
        const int radius = static_cast<int>(std::ceil(3.0 * sigma));
        if (radius < 1) {
            continue;
        }
        std::vector<double> kernel(2 * radius + 1);
        for (int k = -radius; k <= radius; ++k) {
            kernel[k + radius] = std::exp(-0.5 * k * k / (sigma * sigma));
        }
        const std::vector<float> in = out.floatSamples;
        for (size_t index = 0; index < in.size(); ++index) {
            const int position = static_cast<int>(index / strides[axis] % dims[axis]);
            double sum = 0.0, weights = 0.0;
            for (int k = std::max(-radius, -position); k <= std::min(radius, dims[axis] - 1 - position);
                 ++k) {
                sum += kernel[k + radius] * in[index + k * static_cast<std::ptrdiff_t>(strides[axis])];
                weights += kernel[k + radius];
            }
            out.floatSamples[index] = static_cast<float>(sum / weights);
        }
    }
    return out;
}

// The quantile (0..1) of the samples above floor.
float quantileAbove(const std::vector<float>& values, float floor, double quantile) {
    std::vector<float> kept;
    for (float v : values) {
        if (v > floor) {
            kept.push_back(v);
        }
    }
    if (kept.empty()) {
        return 0.0f;
    }
    const size_t at = std::min(kept.size() - 1, static_cast<size_t>(quantile * kept.size()));
    std::nth_element(kept.begin(), kept.begin() + at, kept.end());
    return kept[at];
}

double dropoutShare(const Point3d& world, double depth) {
    double most = 0.0;
    for (const Dropout& d : kDropouts) {
        double exponent = 0.0;
        for (int a = 0; a < 3; ++a) {
            const double u = (world[a] - d.centre[a]) / d.sigma[a];
            exponent += u * u;
        }
        most = std::max(most, std::exp(-0.5 * exponent));
    }
    return depth * most;
}

// A smooth multiplicative field over the grid (coordinates -1..1 from its centre to its faces).
double biasAt(const GridSpec& grid, int x, int y, int z, double share) {
    const double u = 2.0 * x / std::max(grid.nx - 1, 1) - 1.0;
    const double v = 2.0 * y / std::max(grid.ny - 1, 1) - 1.0;
    const double w = 2.0 * z / std::max(grid.nz - 1, 1) - 1.0;
    return std::exp(share * (0.6 * u - 0.5 * v + 0.7 * w + 0.3 * u * v - 0.4 * w * w));
}

// Standard normal numbers from a fixed generator: the same sequence on every standard library.
struct NormalNumbers {
    std::mt19937 engine;
    bool hasSpare = false;
    double spare = 0.0;
    explicit NormalNumbers(unsigned seed) : engine(seed) {}
    double uniform() { return (static_cast<double>(engine()) + 0.5) / 4294967296.0; }
    double next() {
        if (hasSpare) {
            hasSpare = false;
            return spare;
        }
        const double radius = std::sqrt(-2.0 * std::log(uniform()));
        const double angle = 6.283185307179586 * uniform();
        spare = radius * std::sin(angle);
        hasSpare = true;
        return radius * std::cos(angle);
    }
};

Point3d column(const Matrix4d& m, int j) {
    return {m[0][j], m[1][j], m[2][j]};
}

// Which voxels of the T1 lie in the brain: the head is what the background (below 15% of the head's
// bright tissue, flooded from the grid's faces) cannot reach, and the brain is the head less its outer
// 10 mm (scalp and skull).
std::vector<uint8_t> brainMask(const NiftiImage& t1) {
    const size_t count = voxelCount(t1);
    const float threshold = 0.15f * quantileAbove(t1.floatSamples, 0.0f, 0.99);
    std::vector<uint8_t> inside(count, 1);
    std::deque<size_t> queue;
    const int nx = t1.nx, ny = t1.ny, nz = t1.nz;
    const size_t sx = 1, sy = nx, sz = static_cast<size_t>(nx) * ny;
    auto coordinates = [&](size_t i, int& x, int& y, int& z) {
        x = static_cast<int>(i % nx);
        y = static_cast<int>(i / sy % ny);
        z = static_cast<int>(i / sz);
    };
    for (size_t i = 0; i < count; ++i) {
        int x, y, z;
        coordinates(i, x, y, z);
        const bool face = x == 0 || y == 0 || z == 0 || x == nx - 1 || y == ny - 1 || z == nz - 1;
        if (face && !(t1.floatSamples[i] >= threshold)) {
            inside[i] = 0;
            queue.push_back(i);
        }
    }
    while (!queue.empty()) {
        const size_t i = queue.front();
        queue.pop_front();
        int x, y, z;
        coordinates(i, x, y, z);
        const size_t neighbours[6] = {x > 0 ? i - sx : i, x < nx - 1 ? i + sx : i,
                                      y > 0 ? i - sy : i, y < ny - 1 ? i + sy : i,
                                      z > 0 ? i - sz : i, z < nz - 1 ? i + sz : i};
        for (size_t n : neighbours) {
            if (inside[n] && !(t1.floatSamples[n] >= threshold)) {
                inside[n] = 0;
                queue.push_back(n);
            }
        }
    }
    const std::array<double, 3> sizes = voxelSizes(matrixFromRowMajor(t1.voxelToWorld));
    const int passes = static_cast<int>(std::ceil(10.0 / *std::min_element(sizes.begin(), sizes.end())));
    for (int pass = 0; pass < passes; ++pass) {
        std::vector<uint8_t> next = inside;
        for (size_t i = 0; i < count; ++i) {
            if (!inside[i]) {
                continue;
            }
            int x, y, z;
            coordinates(i, x, y, z);
            const bool edge = x == 0 || y == 0 || z == 0 || x == nx - 1 || y == ny - 1 || z == nz - 1;
            if (edge || !inside[i - sx] || !inside[i + sx] || !inside[i - sy] || !inside[i + sy] ||
                !inside[i - sz] || !inside[i + sz]) {
                next[i] = 0;
            }
        }
        inside.swap(next);
    }
    return inside;
}

} // namespace

std::string referenceDataFolder(const std::string& override) {
    if (!override.empty()) {
        return override;
    }
    const char* fromEnvironment = std::getenv("POSALIGN_SHARED_DATA");
    if (fromEnvironment != nullptr && fromEnvironment[0] != '\0') {
        return fromEnvironment;
    }
    return std::string(POSALIGN_REPOSITORY_ROOT) + "/../shared/data";
}

ReferenceImages readReferenceImages(const std::string& folder) {
    ReferenceImages images;
    const char* names[2] = {"MNI152_T1_2mm.nii.gz", "MNI152_T2_2mm.nii.gz"};
    NiftiImage* targets[2] = {&images.t1, &images.t2};
    for (int k = 0; k < 2; ++k) {
        const std::string path = folder + "/" + names[k];
        NiftiReadResult read = readNiftiImage(path, SampleKind::kFloat, NiftiLimits{});
        if (!read.error.empty()) {
            images.error = path + ": " + read.error +
                           " (the MNI152 templates are looked for in ../shared/data beside the repository; "
                           "set POSALIGN_SHARED_DATA or pass --data FOLDER)";
            return images;
        }
        *targets[k] = std::move(read.image);
    }
    return images;
}

GridSpec epiGrid(int nx, int ny, int nz, const Point3d& voxelSizeMm, double tiltDeg, double yawDeg) {
    return obliqueGrid(nx, ny, nz, voxelSizeMm, kBrainCentre, {tiltDeg, 0.0, yawDeg});
}

GridSpec standardEpiGrid() {
    return epiGrid(64, 64, 40, {3.4, 3.4, 3.5}, 8.0, 2.0);
}

GridSpec fineEpiGrid() {
    return epiGrid(90, 90, 60, {2.4, 2.4, 2.4}, 6.0, 0.0);
}

NiftiImage simulatedEpi(const NiftiImage& t2, const EpiSimulation& simulation) {
    const GridSpec& grid = simulation.grid;
    const NiftiImage source = blurred(t2, simulation.blurFwhmMm);
    const Matrix4d toSource = invertAffine(matrixFromRowMajor(t2.voxelToWorld));
    const Point3d yAxis = column(grid.voxelToWorld, 1);
    const double yLength = std::sqrt(yAxis[0] * yAxis[0] + yAxis[1] * yAxis[1] + yAxis[2] * yAxis[2]);
    const Point3d phase{yAxis[0] / yLength, yAxis[1] / yLength, yAxis[2] / yLength};
    const Point3d centre =
        transformPoint(grid.voxelToWorld, {(grid.nx - 1) * 0.5, (grid.ny - 1) * 0.5, (grid.nz - 1) * 0.5});
    // A point of the stretched image shows the anatomy nearer the centre along the phase axis.
    const double pull = simulation.stretchShare / (1.0 + simulation.stretchShare);

    NiftiImage epi;
    epi.nx = grid.nx;
    epi.ny = grid.ny;
    epi.nz = grid.nz;
    setAffine(epi, grid.voxelToWorld);
    epi.floatSamples.assign(voxelCount(epi), 0.0f);
    size_t index = 0;
    for (int z = 0; z < grid.nz; ++z) {
        for (int y = 0; y < grid.ny; ++y) {
            for (int x = 0; x < grid.nx; ++x, ++index) {
                double sum = 0.0;
                for (int sub = 0; sub < 27; ++sub) {
                    const Point3d voxel{x + (sub % 3 - 1) / 3.0, y + (sub / 3 % 3 - 1) / 3.0,
                                        z + (sub / 9 - 1) / 3.0};
                    Point3d world = transformPoint(grid.voxelToWorld, voxel);
                    double along = 0.0;
                    for (int a = 0; a < 3; ++a) {
                        along += (world[a] - centre[a]) * phase[a];
                    }
                    for (int a = 0; a < 3; ++a) {
                        world[a] -= pull * along * phase[a];
                    }
                    sum += trilinearAt(source, transformPoint(toSource, world)) *
                           (1.0 - dropoutShare(world, simulation.dropoutDepth));
                }
                epi.floatSamples[index] =
                    static_cast<float>(sum / 27.0 * biasAt(grid, x, y, z, simulation.biasShare));
            }
        }
    }
    // Scaled to a scanner-like range, then Rician noise (the magnitude of complex Gaussian noise).
    const float top = quantileAbove(epi.floatSamples, 0.0f, 0.99);
    const double scale = top > 0.0f ? 1000.0 / top : 1.0;
    const double sigma = simulation.noiseShare * 1000.0;
    NormalNumbers normal(simulation.seed);
    for (float& v : epi.floatSamples) {
        const double real = v * scale + sigma * normal.next();
        const double imaginary = sigma * normal.next();
        v = static_cast<float>(std::sqrt(real * real + imaginary * imaginary));
    }
    return epi;
}

NiftiImage resampledAnatomical(const NiftiImage& t1, double voxelMm) {
    const Matrix4d affine = matrixFromRowMajor(t1.voxelToWorld);
    const std::array<double, 3> sizes = voxelSizes(affine);
    const int n[3] = {static_cast<int>(std::lround(t1.nx * sizes[0] / voxelMm)),
                      static_cast<int>(std::lround(t1.ny * sizes[1] / voxelMm)),
                      static_cast<int>(std::lround(t1.nz * sizes[2] / voxelMm))};
    const Point3d centre = transformPoint(affine, {(t1.nx - 1) * 0.5, (t1.ny - 1) * 0.5, (t1.nz - 1) * 0.5});
    const GridSpec grid = obliqueGrid(n[0], n[1], n[2], {voxelMm, voxelMm, voxelMm}, centre, {0, 0, 0});
    return resampledImage(t1, grid, [](float v) { return v; });
}

const char* orientationErrorName(OrientationError error) {
    switch (error) {
    case OrientationError::kMirrorX:
        return "LR mirror";
    case OrientationError::kMirrorY:
        return "AP mirror";
    case OrientationError::kMirrorZ:
        return "SI mirror";
    case OrientationError::kSwapXY:
        return "x-y swap";
    default:
        return "none";
    }
}

NiftiImage reorientedSamples(const NiftiImage& image, OrientationError error) {
    NiftiImage out = image;
    if (error == OrientationError::kSwapXY) {
        out.nx = image.ny;
        out.ny = image.nx;
        std::swap(out.geometry.pixdim[1], out.geometry.pixdim[2]);
    }
    size_t index = 0;
    for (int z = 0; z < out.nz; ++z) {
        for (int y = 0; y < out.ny; ++y) {
            for (int x = 0; x < out.nx; ++x, ++index) {
                int from[3] = {x, y, z};
                switch (error) {
                case OrientationError::kMirrorX:
                    from[0] = image.nx - 1 - x;
                    break;
                case OrientationError::kMirrorY:
                    from[1] = image.ny - 1 - y;
                    break;
                case OrientationError::kMirrorZ:
                    from[2] = image.nz - 1 - z;
                    break;
                case OrientationError::kSwapXY:
                    from[0] = y;
                    from[1] = x;
                    break;
                default:
                    break;
                }
                out.floatSamples[index] = sampleAt(image, from[0], from[1], from[2]);
            }
        }
    }
    return out;
}

NiftiImage withKnownError(const NiftiImage& truePositioned, const KnownError& error, const Point3d& centre,
                          Matrix4d& motion) {
    motion = rigidMotion(error.offset, centre);
    return movedImage(reorientedSamples(truePositioned, error.orientation), motion);
}

std::vector<Point3d> brainPointsOfGrid(const GridSpec& grid, const NiftiImage& t1, size_t maxPoints) {
    const std::vector<uint8_t> brain = brainMask(t1);
    const Matrix4d toT1 = invertAffine(matrixFromRowMajor(t1.voxelToWorld));
    std::vector<Point3d> points;
    for (int z = 0; z < grid.nz; ++z) {
        for (int y = 0; y < grid.ny; ++y) {
            for (int x = 0; x < grid.nx; ++x) {
                const Point3d world = transformPoint(grid.voxelToWorld, {double(x), double(y), double(z)});
                const Point3d at = transformPoint(toT1, world);
                const long i = std::lround(at[0]), j = std::lround(at[1]), k = std::lround(at[2]);
                if (i >= 0 && j >= 0 && k >= 0 && i < t1.nx && j < t1.ny && k < t1.nz &&
                    brain[i + static_cast<size_t>(t1.nx) * (j + static_cast<size_t>(t1.ny) * k)]) {
                    points.push_back(world);
                }
            }
        }
    }
    if (points.size() > maxPoints && maxPoints > 0) {
        std::vector<Point3d> spread;
        for (size_t k = 0; k < maxPoints; ++k) {
            spread.push_back(points[k * points.size() / maxPoints]);
        }
        points.swap(spread);
    }
    return points;
}

double residualMm(const Matrix4d& correction, const Matrix4d& motion, const std::vector<Point3d>& points) {
    if (points.empty()) {
        return 0.0;
    }
    const Matrix4d found = multiply(correction, motion);
    double sum = 0.0;
    for (const Point3d& p : points) {
        sum += distance(transformPoint(found, p), p);
    }
    return sum / static_cast<double>(points.size());
}
