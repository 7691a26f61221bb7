// The built-in data set: grids placed in the scanner and sampled from the analytic head object.
#include "host/core/phantom.h"

#include <math.h>
#include <string.h>

#include "host/core/affine_math.h"
#include "host/core/phantom_object.h"

namespace {

const int kLastOrientation = kPhantomOblique;
const int32_t kMaxGridSize = 1024;

// The rotation about scanner x, then y, then z by these angles (degrees), as out = Rz * Ry * Rx.
void rotationMatrix(const double degrees[3], double out[16]) {
    double s[3], c[3];
    for (int axis = 0; axis < 3; ++axis) {
        sinCosDegrees(degrees[axis], &s[axis], &c[axis]);
    }
    double rx[16], ry[16], rz[16];
    affineIdentity(rx);
    rx[5] = c[0];
    rx[6] = -s[0];
    rx[9] = s[0];
    rx[10] = c[0];
    affineIdentity(ry);
    ry[0] = c[1];
    ry[2] = s[1];
    ry[8] = -s[1];
    ry[10] = c[1];
    affineIdentity(rz);
    rz[0] = c[2];
    rz[1] = -s[2];
    rz[4] = s[2];
    rz[5] = c[2];
    affineMultiply(rz, ry, out);
    affineMultiply(out, rx, out);
}

void setColumn(double m[16], int column, double x, double y, double z) {
    m[column] = x;
    m[4 + column] = y;
    m[8 + column] = z;
}

// Scanner directions of the voxel axes (columns of out, unit length) for an orientation.
void orientationAxes(int orientation, double out[16]) {
    affineIdentity(out);
    switch (orientation) {
    case kPhantomSagittal: // x anterior, y inferior, slices along +x
        setColumn(out, 0, 0.0, 1.0, 0.0);
        setColumn(out, 1, 0.0, 0.0, -1.0);
        setColumn(out, 2, 1.0, 0.0, 0.0);
        break;
    case kPhantomCoronal: // x along +x, y inferior, slices along +y
        setColumn(out, 0, 1.0, 0.0, 0.0);
        setColumn(out, 1, 0.0, 0.0, -1.0);
        setColumn(out, 2, 0.0, 1.0, 0.0);
        break;
    case kPhantomOblique: {
        const double tilt[3] = {12.0, 0.0, 7.0};
        rotationMatrix(tilt, out);
        break;
    }
    default: // axial
        break;
    }
}

// A small deterministic disturbance (-3 .. 3) of a voxel index, like acquisition noise.
int noiseOf(uint32_t index) {
    uint32_t h = index * 2654435761u;
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    return static_cast<int>(h % 7u) - 3;
}

bool validOptions(const PhantomOptions* o) {
    if (o->vmrSize < 1 || o->vmrSize > kMaxGridSize || !(o->vmrVoxelSize > 0.0f) ||
        !isfinite(o->vmrVoxelSize)) {
        return false;
    }
    if (o->vmrOrientation < 0 || o->vmrOrientation > kLastOrientation || o->fmrOrientation < 0 ||
        o->fmrOrientation > kLastOrientation || (o->vmrFlipAxes & ~7) != 0) {
        return false;
    }
    if ((o->fmrCount != 1 && o->fmrCount != 2) || o->fmrVolumeCount < 1 || o->fmrVolumeCount > 1000 ||
        (o->fmrDataType != kFmrDataInt16 && o->fmrDataType != kFmrDataFloat32)) {
        return false;
    }
    for (int axis = 0; axis < 3; ++axis) {
        if (o->fmrDims[axis] < 1 || o->fmrDims[axis] > kMaxGridSize || !(o->fmrVoxelSize[axis] > 0.0f) ||
            !isfinite(o->fmrVoxelSize[axis]) || !isfinite(o->fmrRotationDeg[axis]) ||
            !isfinite(o->fmrShiftMm[axis]) || !isfinite(o->secondRunShiftMm[axis]) ||
            !isfinite(o->secondRunRotationDeg[axis]) || !isfinite(o->fmr1HeaderErrorMm[axis])) {
            return false;
        }
    }
    return true;
}

// Origin and axis steps of a grid in float, so that every voxel position is a few float operations.
struct GridSteps {
    float origin[3];
    float step[3][3]; // step[axis][component]
};

GridSteps gridSteps(const double voxelToScanner[16]) {
    GridSteps steps;
    for (int component = 0; component < 3; ++component) {
        steps.origin[component] = static_cast<float>(voxelToScanner[4 * component + 3]);
        for (int axis = 0; axis < 3; ++axis) {
            steps.step[axis][component] = static_cast<float>(voxelToScanner[4 * component + axis]);
        }
    }
    return steps;
}

void sampleVmr(HostDocument* vmr) {
    const GridSteps s = gridSteps(vmr->voxelToScanner);
    const int32_t nx = vmr->dims[0], ny = vmr->dims[1], nz = vmr->dims[2];
    unsigned char* voxels = vmr->voxels;
    uint32_t index = 0;
    for (int32_t k = 0; k < nz; ++k) {
        for (int32_t j = 0; j < ny; ++j) {
            const float fj = static_cast<float>(j), fk = static_cast<float>(k);
            float row[3];
            for (int c = 0; c < 3; ++c) {
                row[c] = (s.origin[c] + fj * s.step[1][c]) + fk * s.step[2][c];
            }
            for (int32_t i = 0; i < nx; ++i, ++index) {
                const float fi = static_cast<float>(i);
                const int tissue = phantomTissue(row[0] + fi * s.step[0][0], row[1] + fi * s.step[0][1],
                                                 row[2] + fi * s.step[0][2]);
                int value = static_cast<int>(anatomicalTissueIntensity(tissue));
                if (tissue != kTissueBackground) {
                    value += noiseOf(index);
                }
                voxels[index] = static_cast<unsigned char>(value < 0 ? 0 : value > 225 ? 225 : value);
            }
        }
    }
}

// Each FMR voxel averages the object at 8 points a quarter voxel from its centre (partial volume).
void sampleFmr(HostDocument* fmr) {
    const GridSteps s = gridSteps(fmr->voxelToScanner);
    const int32_t nx = fmr->dims[0], ny = fmr->dims[1], nz = fmr->dims[2];
    const int volumes = fmr->volumeCount;
    float sums[1000];
    int64_t index = 0;
    for (int32_t k = 0; k < nz; ++k) {
        for (int32_t j = 0; j < ny; ++j) {
            for (int32_t i = 0; i < nx; ++i, ++index) {
                for (int v = 0; v < volumes; ++v) {
                    sums[v] = 0.0f;
                }
                for (int sub = 0; sub < 8; ++sub) {
                    const float fi = static_cast<float>(i) + ((sub & 1) != 0 ? 0.25f : -0.25f);
                    const float fj = static_cast<float>(j) + ((sub & 2) != 0 ? 0.25f : -0.25f);
                    const float fk = static_cast<float>(k) + ((sub & 4) != 0 ? 0.25f : -0.25f);
                    float p[3];
                    for (int c = 0; c < 3; ++c) {
                        p[c] = ((s.origin[c] + fi * s.step[0][c]) + fj * s.step[1][c]) + fk * s.step[2][c];
                    }
                    const int tissue = phantomTissue(p[0], p[1], p[2]);
                    for (int v = 0; v < volumes; ++v) {
                        sums[v] += functionalTissueIntensity(tissue, v);
                    }
                }
                for (int v = 0; v < volumes; ++v) {
                    const float mean = sums[v] * 0.125f;
                    if (fmr->dataType == kFmrDataInt16) {
                        // mean is 0 .. 2000: the truncation of mean + 0.5 rounds it and fits int16.
                        fmr->intVolumes[v][index] = static_cast<int16_t>(static_cast<int32_t>(mean + 0.5f));
                    } else {
                        fmr->floatVolumes[v][index] = mean;
                    }
                }
            }
        }
    }
}

} // namespace

void defaultPhantomOptions(PhantomOptions* options) {
    memset(options, 0, sizeof *options);
    options->vmrSize = 256;
    options->vmrVoxelSize = 1.0f;
    options->vmrOrientation = kPhantomAxial;
    options->vmrFlipAxes = 0;
    options->fmrCount = 2;
    options->fmrDims[0] = 64;
    options->fmrDims[1] = 64;
    options->fmrDims[2] = 30;
    options->fmrVoxelSize[0] = 3.5f;
    options->fmrVoxelSize[1] = 3.5f;
    options->fmrVoxelSize[2] = 4.0f;
    options->fmrVolumeCount = 3;
    options->fmrDataType = kFmrDataInt16;
    options->fmrOrientation = kPhantomOblique;
    options->fmrDescending = true;
    options->fmrShiftMm[2] = 5.0f;
    options->secondRunShiftMm[0] = 3.0f;
    options->secondRunShiftMm[1] = -2.0f;
    options->secondRunShiftMm[2] = 4.0f;
    options->secondRunRotationDeg[2] = 2.0f;
}

void smallPhantomOptions(PhantomOptions* options) {
    defaultPhantomOptions(options);
    options->vmrSize = 64;
    options->vmrVoxelSize = 4.0f;
}

void phantomGridAffine(const int32_t dims[3], const float voxelSize[3], int orientation, bool descending,
                       const float rotationDeg[3], const float centreMm[3], double voxelToScanner[16]) {
    double axes[16], rotation[16];
    orientationAxes(orientation, axes);
    if (descending) {
        axes[2] = -axes[2];
        axes[6] = -axes[6];
        axes[10] = -axes[10];
    }
    const double degrees[3] = {rotationDeg[0], rotationDeg[1], rotationDeg[2]};
    rotationMatrix(degrees, rotation);
    affineMultiply(rotation, axes, voxelToScanner);
    for (int row = 0; row < 3; ++row) {
        double translation = centreMm[row];
        for (int axis = 0; axis < 3; ++axis) {
            voxelToScanner[4 * row + axis] *= voxelSize[axis];
            translation -= voxelToScanner[4 * row + axis] * ((dims[axis] - 1) * 0.5);
        }
        voxelToScanner[4 * row + 3] = translation;
    }
}

bool buildPhantomWorkspace(const PhantomOptions* options, HostWorkspace* workspace) {
    if (options == 0 || !validOptions(options)) {
        return false;
    }
    releaseWorkspaceDocuments(workspace);

    const int32_t vmrDims[3] = {options->vmrSize, options->vmrSize, options->vmrSize};
    const float vmrVoxel[3] = {options->vmrVoxelSize, options->vmrVoxelSize, options->vmrVoxelSize};
    const float noRotation[3] = {0.0f, 0.0f, 0.0f};
    const float headCentre[3] = {0.0f, 0.0f, 0.0f};
    double affine[16];
    phantomGridAffine(vmrDims, vmrVoxel, options->vmrOrientation, false, noRotation, headCentre, affine);
    HostDocument* vmr = createVmrDocument(vmrDims, affine, "phantom.vmr");
    if (vmr == 0 || !addDocument(workspace, vmr)) {
        releaseDocument(vmr);
        return false;
    }
    sampleVmr(vmr);
    for (int axis = 0; axis < 3; ++axis) {
        if ((options->vmrFlipAxes & (1 << axis)) != 0) {
            flipVmrDocument(vmr, axis);
        }
    }

    for (int run = 0; run < options->fmrCount; ++run) {
        float centre[3], rotation[3];
        for (int axis = 0; axis < 3; ++axis) {
            centre[axis] = options->fmrShiftMm[axis] + (run == 1 ? options->secondRunShiftMm[axis] : 0.0f);
            rotation[axis] =
                options->fmrRotationDeg[axis] + (run == 1 ? options->secondRunRotationDeg[axis] : 0.0f);
        }
        phantomGridAffine(options->fmrDims, options->fmrVoxelSize, options->fmrOrientation,
                          options->fmrDescending, rotation, centre, affine);
        const char* fileName = run == 0 ? "phantom_run1.fmr" : "phantom_run2.fmr";
        const char* prefix = run == 0 ? "phantom_run1" : "phantom_run2";
        HostDocument* fmr = createFmrDocument(options->fmrDims, affine, options->fmrDataType,
                                              options->fmrVolumeCount, fileName, prefix);
        if (fmr == 0 || !addDocument(workspace, fmr)) {
            releaseDocument(fmr);
            releaseWorkspaceDocuments(workspace);
            return false;
        }
        sampleFmr(fmr);
        if (run == 0) {
            // The data stay where they were acquired; only the reported position is off.
            for (int axis = 0; axis < 3; ++axis) {
                fmr->voxelToScanner[4 * axis + 3] += options->fmr1HeaderErrorMm[axis];
            }
        }
    }
    workspace->currentIndex = 0;
    return true;
}
