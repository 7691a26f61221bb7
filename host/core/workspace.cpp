// Documents, the workspace that holds them, and the workspace the exported host functions act on.
#include "host/core/workspace.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "host/core/affine_math.h"
#include "host/core/past_transformations.h"

static HostWorkspace* gInstalledWorkspace = 0;
static int gHostVersion[3] = {21, 3, 0};

// Copies a text, cut to fit capacity (NUL included); null copies as empty.
static void copyText(char* destination, size_t capacity, const char* source) {
    size_t length = source != 0 ? strlen(source) : 0;
    if (length >= capacity) {
        length = capacity - 1;
    }
    if (length > 0) {
        memcpy(destination, source, length);
    }
    destination[length] = '\0';
}

// The voxel count of valid dims, or -1 when a dimension is not positive or the count exceeds int32.
static int64_t checkedVoxelCount(const int32_t dims[3]) {
    if (dims[0] <= 0 || dims[1] <= 0 || dims[2] <= 0) {
        return -1;
    }
    int64_t count = static_cast<int64_t>(dims[0]) * dims[1] * dims[2];
    return count > INT32_MAX ? -1 : count;
}

// A zeroed document with dims, geometry and voxel sizes set.
static HostDocument* newDocument(int kind, const int32_t dims[3], const double voxelToScanner[16]) {
    HostDocument* document = static_cast<HostDocument*>(calloc(1, sizeof(HostDocument)));
    if (document == 0) {
        return 0;
    }
    document->kind = kind;
    for (int axis = 0; axis < 3; ++axis) {
        document->dims[axis] = dims[axis];
        double x = voxelToScanner[axis], y = voxelToScanner[4 + axis], z = voxelToScanner[8 + axis];
        document->voxelSize[axis] = static_cast<float>(sqrt(x * x + y * y + z * z));
    }
    memcpy(document->voxelToScanner, voxelToScanner, sizeof document->voxelToScanner);
    // The last row of an affine is fixed, whatever the caller passed.
    document->voxelToScanner[12] = 0.0;
    document->voxelToScanner[13] = 0.0;
    document->voxelToScanner[14] = 0.0;
    document->voxelToScanner[15] = 1.0;
    return document;
}

HostDocument* createVmrDocument(const int32_t dims[3], const double voxelToScanner[16],
                                const char* fileName) {
    int64_t count = checkedVoxelCount(dims);
    if (count < 0) {
        return 0;
    }
    HostDocument* document = newDocument(kDocumentVmr, dims, voxelToScanner);
    if (document == 0) {
        return 0;
    }
    document->voxels = static_cast<unsigned char*>(calloc(static_cast<size_t>(count), 1));
    if (document->voxels == 0) {
        free(document);
        return 0;
    }
    copyText(document->fileName, sizeof document->fileName, fileName);
    // The stem is the file name without its extension.
    copyText(document->stcPrefix, sizeof document->stcPrefix, document->fileName);
    char* dot = strrchr(document->stcPrefix, '.');
    if (dot != 0 && dot != document->stcPrefix) {
        *dot = '\0';
    }
    clearPastTransformations(&document->pastTransformations);
    return document;
}

HostDocument* createFmrDocument(const int32_t dims[3], const double voxelToScanner[16], int dataType,
                                int volumeCount, const char* fileName, const char* stcPrefix) {
    int64_t count = checkedVoxelCount(dims);
    if (count < 0 || volumeCount < 1 || (dataType != kFmrDataInt16 && dataType != kFmrDataFloat32)) {
        return 0;
    }
    size_t sampleSize = dataType == kFmrDataInt16 ? sizeof(int16_t) : sizeof(float);
    // Both platforms have a 64-bit size_t; refuse what would not fit anyway.
    if (static_cast<uint64_t>(count) * static_cast<uint64_t>(volumeCount) >
        (static_cast<uint64_t>(1) << 40)) {
        return 0;
    }
    HostDocument* document = newDocument(kDocumentFmr, dims, voxelToScanner);
    if (document == 0) {
        return 0;
    }
    document->dataType = dataType;
    document->volumeCount = volumeCount;
    void** pointers = static_cast<void**>(calloc(static_cast<size_t>(volumeCount), sizeof(void*)));
    unsigned char* samples = static_cast<unsigned char*>(
        calloc(static_cast<size_t>(count) * static_cast<size_t>(volumeCount), sampleSize));
    if (pointers == 0 || samples == 0) {
        free(pointers);
        free(samples);
        free(document);
        return 0;
    }
    for (int v = 0; v < volumeCount; ++v) {
        pointers[v] = samples + static_cast<size_t>(v) * static_cast<size_t>(count) * sampleSize;
    }
    if (dataType == kFmrDataInt16) {
        document->intVolumes = reinterpret_cast<int16_t**>(pointers);
    } else {
        document->floatVolumes = reinterpret_cast<float**>(pointers);
    }
    copyText(document->fileName, sizeof document->fileName, fileName);
    copyText(document->stcPrefix, sizeof document->stcPrefix, stcPrefix);
    document->linkedFileName[0] = '\0';
    return document;
}

void releaseDocument(HostDocument* document) {
    if (document == 0) {
        return;
    }
    free(document->voxels);
    // The samples of all volumes are one block that starts at the first volume.
    if (document->intVolumes != 0) {
        free(document->intVolumes[0]);
        free(document->intVolumes);
    }
    if (document->floatVolumes != 0) {
        free(document->floatVolumes[0]);
        free(document->floatVolumes);
    }
    free(document);
}

int32_t documentVoxelCount(const HostDocument* document) {
    return document->dims[0] * document->dims[1] * document->dims[2];
}

bool flipVmrDocument(HostDocument* document, int axis) {
    if (document == 0 || document->kind != kDocumentVmr || axis < 0 || axis > 2) {
        return false;
    }
    if (!recordFlip(&document->pastTransformations, axis)) {
        return false;
    }
    const int64_t nx = document->dims[0], ny = document->dims[1], nz = document->dims[2];
    const int64_t n = document->dims[axis];
    const int64_t stride = axis == 0 ? 1 : axis == 1 ? nx : nx * ny;
    unsigned char* voxels = document->voxels;
    for (int64_t z = 0; z < nz; ++z) {
        for (int64_t y = 0; y < ny; ++y) {
            for (int64_t x = 0; x < nx; ++x) {
                int64_t along = axis == 0 ? x : axis == 1 ? y : z;
                if (along >= n / 2) {
                    continue; // each pair is swapped once, from its lower member
                }
                int64_t index = x + nx * (y + ny * z);
                int64_t mirror = index + (n - 1 - 2 * along) * stride;
                unsigned char held = voxels[index];
                voxels[index] = voxels[mirror];
                voxels[mirror] = held;
            }
        }
    }
    // Voxel i now holds what voxel n-1-i held: its position is the old position of n-1-i.
    double mirror[16];
    affineIdentity(mirror);
    mirror[5 * axis] = -1.0;
    mirror[4 * axis + 3] = static_cast<double>(n - 1);
    affineMultiply(document->voxelToScanner, mirror, document->voxelToScanner);
    return true;
}

void initWorkspace(HostWorkspace* workspace) {
    memset(workspace, 0, sizeof *workspace);
    workspace->currentIndex = -1;
}

bool addDocument(HostWorkspace* workspace, HostDocument* document) {
    if (document == 0 || workspace->documentCount >= kHostMaxDocuments) {
        return false;
    }
    workspace->documents[workspace->documentCount] = document;
    workspace->currentIndex = workspace->documentCount;
    ++workspace->documentCount;
    return true;
}

void releaseWorkspaceDocuments(HostWorkspace* workspace) {
    for (int index = 0; index < workspace->documentCount; ++index) {
        releaseDocument(workspace->documents[index]);
        workspace->documents[index] = 0;
    }
    workspace->documentCount = 0;
    workspace->currentIndex = -1;
}

void installWorkspace(HostWorkspace* workspace) {
    gInstalledWorkspace = workspace;
}

HostWorkspace* installedWorkspace(void) {
    return gInstalledWorkspace;
}

void setHostVersion(int first, int second, int third) {
    gHostVersion[0] = first;
    gHostVersion[1] = second;
    gHostVersion[2] = third;
}

void getHostVersion(int* first, int* second, int* third) {
    *first = gHostVersion[0];
    *second = gHostVersion[1];
    *third = gHostVersion[2];
}
