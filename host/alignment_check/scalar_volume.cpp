// Volumes in world space: taking them out of NIfTI images and the affine arithmetic they need.
#include "host/alignment_check/scalar_volume.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

float sampleAt(const NiftiImage& image, size_t index) {
    return image.isInt16 ? static_cast<float>(image.int16Samples[index]) : image.floatSamples[index];
}

ScalarVolume emptyLike(const NiftiImage& image) {
    ScalarVolume volume;
    volume.nx = image.nx;
    volume.ny = image.ny;
    volume.nz = image.nz;
    volume.voxelToWorld = image.voxelToWorld;
    volume.samples.assign(static_cast<size_t>(image.nx) * image.ny * image.nz, 0.0f);
    return volume;
}

} // namespace

ScalarVolume firstVolume(const NiftiImage& image) {
    ScalarVolume volume = emptyLike(image);
    for (size_t i = 0; i < volume.samples.size(); ++i) {
        volume.samples[i] = sampleAt(image, i);
    }
    return volume;
}

ScalarVolume temporalMeanVolume(const NiftiImage& image) {
    ScalarVolume volume = emptyLike(image);
    size_t perVolume = volume.samples.size();
    std::vector<double> sums(perVolume, 0.0);
    for (int t = 0; t < image.nt; ++t) {
        for (size_t i = 0; i < perVolume; ++i) {
            sums[i] += sampleAt(image, t * perVolume + i);
        }
    }
    for (size_t i = 0; i < perVolume; ++i) {
        double mean = sums[i] / std::max(1, image.nt);
        volume.samples[i] =
            std::isfinite(mean) ? static_cast<float>(mean) : std::numeric_limits<float>::quiet_NaN();
    }
    return volume;
}

Affine multiplyAffines(const Affine& a, const Affine& b) {
    Affine product{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            for (int k = 0; k < 4; ++k) {
                product[4 * i + j] += a[4 * i + k] * b[4 * k + j];
            }
        }
    }
    return product;
}

Affine inverseAffine(const Affine& a) {
    // Cofactors of the 3x3 part; the translation follows as -R^-1 t.
    double c00 = a[5] * a[10] - a[6] * a[9], c01 = a[6] * a[8] - a[4] * a[10],
           c02 = a[4] * a[9] - a[5] * a[8];
    double det = a[0] * c00 + a[1] * c01 + a[2] * c02;
    Affine inverse{};
    if (!std::isfinite(det) || std::fabs(det) < 1e-12) {
        return inverse;
    }
    double r[9] = {c00, a[2] * a[9] - a[1] * a[10], a[1] * a[6] - a[2] * a[5],
                   c01, a[0] * a[10] - a[2] * a[8], a[2] * a[4] - a[0] * a[6],
                   c02, a[1] * a[8] - a[0] * a[9],  a[0] * a[5] - a[1] * a[4]};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            inverse[4 * i + j] = r[3 * i + j] / det;
        }
        inverse[4 * i + 3] =
            -(inverse[4 * i] * a[3] + inverse[4 * i + 1] * a[7] + inverse[4 * i + 2] * a[11]);
    }
    inverse[15] = 1.0;
    return inverse;
}

WorldPoint voxelToWorldPoint(const Affine& m, double i, double j, double k) {
    return {m[0] * i + m[1] * j + m[2] * k + m[3], m[4] * i + m[5] * j + m[6] * k + m[7],
            m[8] * i + m[9] * j + m[10] * k + m[11]};
}

void worldBounds(const ScalarVolume& volume, WorldPoint& minimum, WorldPoint& maximum) {
    minimum.fill(std::numeric_limits<double>::max());
    maximum.fill(std::numeric_limits<double>::lowest());
    for (int corner = 0; corner < 8; ++corner) {
        double i = (corner & 1) ? volume.nx - 0.5 : -0.5;
        double j = (corner & 2) ? volume.ny - 0.5 : -0.5;
        double k = (corner & 4) ? volume.nz - 0.5 : -0.5;
        WorldPoint p = voxelToWorldPoint(volume.voxelToWorld, i, j, k);
        for (int axis = 0; axis < 3; ++axis) {
            minimum[axis] = std::min(minimum[axis], p[axis]);
            maximum[axis] = std::max(maximum[axis], p[axis]);
        }
    }
}
