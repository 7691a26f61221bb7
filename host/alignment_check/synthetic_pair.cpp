// Synthetic images for the alignment check.
#include "host/alignment_check/synthetic_pair.h"

#include <cmath>

#include "host/alignment_check/check_grid.h"
#include "host/core/phantom_object.h"

namespace {

// Intensities per tissue (background, scalp, skull, CSF, grey, white, eye, marker).
const float kT2[kTissueCount] = {0.0f, 90.0f, 10.0f, 220.0f, 120.0f, 80.0f, 200.0f, 160.0f};

float tissueIntensity(int tissue, Contrast contrast) {
    switch (contrast) {
    case Contrast::kT1:
        return anatomicalTissueIntensity(tissue);
    case Contrast::kT2:
        return kT2[tissue];
    default:
        return functionalTissueIntensity(tissue, 0);
    }
}

float brightest(Contrast contrast) {
    float most = 0.0f;
    for (int t = 0; t < kTissueCount; ++t) {
        most = std::fmax(most, tissueIntensity(t, contrast));
    }
    return most;
}

// -1 .. 1, deterministic per index.
double noiseOf(size_t index) {
    uint32_t h = static_cast<uint32_t>(index) * 2654435761u + 12345u;
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    return static_cast<double>(h % 20001u) / 10000.0 - 1.0;
}

NiftiImage emptyImage(const GridSpec& grid) {
    NiftiImage image;
    image.nx = grid.nx;
    image.ny = grid.ny;
    image.nz = grid.nz;
    image.nt = 1;
    setAffine(image, grid.voxelToWorld);
    image.floatSamples.assign(static_cast<size_t>(grid.nx) * grid.ny * grid.nz, 0.0f);
    return image;
}

// Calls visit(index, 8 world points) for every voxel of grid.
template <typename Visit> void forEachVoxel(const GridSpec& grid, Visit visit) {
    size_t index = 0;
    Point3d points[8];
    for (int z = 0; z < grid.nz; ++z) {
        for (int y = 0; y < grid.ny; ++y) {
            for (int x = 0; x < grid.nx; ++x, ++index) {
                for (int sub = 0; sub < 8; ++sub) {
                    const Point3d p{x + ((sub & 1) ? 0.25 : -0.25), y + ((sub & 2) ? 0.25 : -0.25),
                                    z + ((sub & 4) ? 0.25 : -0.25)};
                    points[sub] = transformPoint(grid.voxelToWorld, p);
                }
                visit(index, points);
            }
        }
    }
}

} // namespace

float trilinearAt(const NiftiImage& image, const Point3d& voxel) {
    const int dims[3] = {image.nx, image.ny, image.nz};
    int base[3];
    double fraction[3];
    for (int a = 0; a < 3; ++a) {
        if (!(voxel[a] >= 0.0 && voxel[a] <= dims[a] - 1)) {
            return 0.0f;
        }
        base[a] = std::min(static_cast<int>(voxel[a]), std::max(dims[a] - 2, 0));
        fraction[a] = dims[a] > 1 ? voxel[a] - base[a] : 0.0;
    }
    double sum = 0.0;
    for (int corner = 0; corner < 8; ++corner) {
        double weight = 1.0;
        int at[3];
        for (int a = 0; a < 3; ++a) {
            const bool upper = (corner >> a) & 1;
            at[a] = std::min(base[a] + (upper ? 1 : 0), dims[a] - 1);
            weight *= upper ? fraction[a] : 1.0 - fraction[a];
        }
        if (weight > 0.0) {
            sum += weight *
                   image.floatSamples[at[0] + static_cast<size_t>(image.nx) * (at[1] + image.ny * at[2])];
        }
    }
    return static_cast<float>(sum);
}

GridSpec obliqueGrid(int nx, int ny, int nz, const Point3d& voxelSizeMm, const Point3d& centre,
                     const Point3d& rotationDeg) {
    GridSpec grid;
    grid.nx = nx;
    grid.ny = ny;
    grid.nz = nz;
    Matrix4d scale = identityMatrix();
    for (int a = 0; a < 3; ++a) {
        scale[a][a] = voxelSizeMm[a];
    }
    scale[0][3] = -(nx - 1) * 0.5 * voxelSizeMm[0];
    scale[1][3] = -(ny - 1) * 0.5 * voxelSizeMm[1];
    scale[2][3] = -(nz - 1) * 0.5 * voxelSizeMm[2];
    RigidParameters place;
    place.translationMm = centre;
    place.rotationDeg = rotationDeg;
    grid.voxelToWorld = multiply(rigidMotion(place, {0, 0, 0}), scale);
    return grid;
}

NiftiImage phantomImage(const GridSpec& grid, Contrast contrast, double noiseShare) {
    NiftiImage image = emptyImage(grid);
    const double noise = noiseShare * brightest(contrast);
    forEachVoxel(grid, [&](size_t index, const Point3d* points) {
        double sum = 0.0;
        for (int sub = 0; sub < 8; ++sub) {
            sum += tissueIntensity(phantomTissue(static_cast<float>(points[sub][0]),
                                                 static_cast<float>(points[sub][1]),
                                                 static_cast<float>(points[sub][2])),
                                   contrast);
        }
        image.floatSamples[index] = static_cast<float>(sum / 8.0 + noise * noiseOf(index));
    });
    return image;
}

NiftiImage resampledImage(const NiftiImage& source, const GridSpec& grid,
                          const std::function<float(float)>& remap) {
    NiftiImage image = emptyImage(grid);
    const Matrix4d toSource = invertAffine(matrixFromRowMajor(source.voxelToWorld));
    forEachVoxel(grid, [&](size_t index, const Point3d* points) {
        double sum = 0.0;
        for (int sub = 0; sub < 8; ++sub) {
            sum += remap(trilinearAt(source, transformPoint(toSource, points[sub])));
        }
        image.floatSamples[index] = static_cast<float>(sum / 8.0);
    });
    return image;
}

void setAffine(NiftiImage& image, const Matrix4d& voxelToWorld) {
    image.affineSource = AffineSource::kSform;
    image.geometry.qformCode = 0;
    image.geometry.sformCode = 1;
    const std::array<double, 3> sizes = voxelSizes(voxelToWorld);
    for (int j = 0; j < 4; ++j) {
        image.geometry.srowX[j] = static_cast<float>(voxelToWorld[0][j]);
        image.geometry.srowY[j] = static_cast<float>(voxelToWorld[1][j]);
        image.geometry.srowZ[j] = static_cast<float>(voxelToWorld[2][j]);
    }
    for (int a = 0; a < 3; ++a) {
        image.geometry.pixdim[a + 1] = static_cast<float>(sizes[a]);
    }
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            image.voxelToWorld[4 * i + j] = voxelToWorld[i][j];
        }
    }
}

NiftiImage movedImage(const NiftiImage& image, const Matrix4d& motion) {
    NiftiImage moved = image;
    setAffine(moved, multiply(motion, matrixFromRowMajor(image.voxelToWorld)));
    return moved;
}

NiftiImage flippedAlongX(const NiftiImage& image) {
    NiftiImage flipped = image;
    const size_t rows = flipped.floatSamples.size() / image.nx;
    for (size_t row = 0; row < rows; ++row) {
        for (int x = 0; x < image.nx; ++x) {
            flipped.floatSamples[row * image.nx + x] =
                image.floatSamples[row * image.nx + (image.nx - 1 - x)];
        }
    }
    return flipped;
}

std::string writeFloatImage(const std::string& path, const NiftiImage& image) {
    NiftiWriteRequest request;
    request.nx = image.nx;
    request.ny = image.ny;
    request.nz = image.nz;
    request.geometry = image.geometry;
    request.type = NiftiOutputType::kFloat32;
    request.samples = image.floatSamples.data();
    return writeNiftiImage(path, request, NiftiCompression::kFast);
}
