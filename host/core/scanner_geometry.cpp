// Scanner position records from document geometry, and the geometry they describe.
#include "host/core/scanner_geometry.h"

#include <math.h>
#include <string.h>

#include "host/core/affine_math.h"
#include "host/core/past_transformations.h"

enum {
    kOffsetDimX = 0,
    kOffsetDimY = 4,
    kOffsetDimZ = 32,
    kOffsetVoxelSize = 36,
    kOffsetRowDirection = 48,
    kOffsetColumnDirection = 60,
    kOffsetHandedness = 72
};

static void writeInt32(ScannerPositionHeader* position, size_t offset, int32_t value) {
    memcpy(reinterpret_cast<unsigned char*>(position) + offset, &value, sizeof value);
}

static void writeFloat(ScannerPositionHeader* position, size_t offset, double value) {
    float single = static_cast<float>(value);
    memcpy(reinterpret_cast<unsigned char*>(position) + offset, &single, sizeof single);
}

static int32_t readInt32(const ScannerPositionHeader* position, size_t offset) {
    int32_t value;
    memcpy(&value, reinterpret_cast<const unsigned char*>(position) + offset, sizeof value);
    return value;
}

static double readFloat(const ScannerPositionHeader* position, size_t offset) {
    float value;
    memcpy(&value, reinterpret_cast<const unsigned char*>(position) + offset, sizeof value);
    return value;
}

static double columnLength(const double m[16], int column) {
    double x = m[column], y = m[4 + column], z = m[8 + column];
    return sqrt(x * x + y * y + z * z);
}

void fillScannerPositionFromAffine(const int32_t dims[3], const double voxelToScanner[16],
                                   ScannerPositionHeader* position) {
    memset(position, 0, sizeof *position);
    writeInt32(position, kOffsetDimX, dims[0]);
    writeInt32(position, kOffsetDimY, dims[1]);
    writeInt32(position, kOffsetDimZ, dims[2]);
    const double centreX = (dims[0] - 1) * 0.5, centreY = (dims[1] - 1) * 0.5;
    double first[3], last[3];
    affineApply(voxelToScanner, centreX, centreY, 0.0, first);
    affineApply(voxelToScanner, centreX, centreY, static_cast<double>(dims[2] - 1), last);
    position->firstSliceCenterX = static_cast<float>(first[0]);
    position->firstSliceCenterY = static_cast<float>(first[1]);
    position->firstSliceCenterZ = static_cast<float>(first[2]);
    position->lastSliceCenterX = static_cast<float>(last[0]);
    position->lastSliceCenterY = static_cast<float>(last[1]);
    position->lastSliceCenterZ = static_cast<float>(last[2]);
    double length[3];
    for (int axis = 0; axis < 3; ++axis) {
        length[axis] = columnLength(voxelToScanner, axis);
        writeFloat(position, kOffsetVoxelSize + 4 * static_cast<size_t>(axis), length[axis]);
    }
    for (int component = 0; component < 3; ++component) {
        double row = voxelToScanner[4 * component + 0], column = voxelToScanner[4 * component + 1];
        writeFloat(position, kOffsetRowDirection + 4 * static_cast<size_t>(component),
                   length[0] > 0.0 ? row / length[0] : 0.0);
        writeFloat(position, kOffsetColumnDirection + 4 * static_cast<size_t>(component),
                   length[1] > 0.0 ? column / length[1] : 0.0);
    }
    const double* m = voxelToScanner;
    double normalX = m[4] * m[9] - m[8] * m[5];
    double normalY = m[8] * m[1] - m[0] * m[9];
    double normalZ = m[0] * m[5] - m[4] * m[1];
    double alongNormal = normalX * m[2] + normalY * m[6] + normalZ * m[10];
    writeInt32(position, kOffsetHandedness, alongNormal >= 0.0 ? 1 : -1);
}

void fillScannerPosition(const HostDocument* document, ScannerPositionHeader* position) {
    double acquired[16];
    memcpy(acquired, document->voxelToScanner, sizeof acquired);
    if (document->kind == kDocumentVmr) {
        // Undo the recorded mirrors: the record describes the data as they were acquired.
        int sign[3];
        readNetFlips(&document->pastTransformations, sign);
        for (int axis = 0; axis < 3; ++axis) {
            if (sign[axis] < 0) {
                double mirror[16];
                affineIdentity(mirror);
                mirror[5 * axis] = -1.0;
                mirror[4 * axis + 3] = static_cast<double>(document->dims[axis] - 1);
                affineMultiply(acquired, mirror, acquired);
            }
        }
    }
    fillScannerPositionFromAffine(document->dims, acquired, position);
}

bool readScannerPosition(const ScannerPositionHeader* position, int32_t dims[3],
                         double centredToScanner[16]) {
    dims[0] = readInt32(position, kOffsetDimX);
    dims[1] = readInt32(position, kOffsetDimY);
    dims[2] = readInt32(position, kOffsetDimZ);
    if (dims[0] <= 0 || dims[1] <= 0 || dims[2] <= 0) {
        return false;
    }
    double voxelSize[3], row[3], column[3];
    for (int k = 0; k < 3; ++k) {
        voxelSize[k] = readFloat(position, kOffsetVoxelSize + 4 * static_cast<size_t>(k));
        row[k] = readFloat(position, kOffsetRowDirection + 4 * static_cast<size_t>(k));
        column[k] = readFloat(position, kOffsetColumnDirection + 4 * static_cast<size_t>(k));
        if (!(voxelSize[k] > 0.0) || !isfinite(voxelSize[k]) || !isfinite(row[k]) || !isfinite(column[k])) {
            return false;
        }
    }
    const double first[3] = {position->firstSliceCenterX, position->firstSliceCenterY,
                             position->firstSliceCenterZ};
    const double last[3] = {position->lastSliceCenterX, position->lastSliceCenterY,
                            position->lastSliceCenterZ};
    double step[3];
    if (dims[2] > 1) {
        for (int k = 0; k < 3; ++k) {
            step[k] = (last[k] - first[k]) / (dims[2] - 1);
        }
    } else {
        double normal[3] = {row[1] * column[2] - row[2] * column[1], row[2] * column[0] - row[0] * column[2],
                            row[0] * column[1] - row[1] * column[0]};
        double length = sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
        if (!(length > 0.0)) {
            return false;
        }
        double handedness = readInt32(position, kOffsetHandedness) < 0 ? -1.0 : 1.0;
        for (int k = 0; k < 3; ++k) {
            step[k] = handedness * normal[k] / length * voxelSize[2];
        }
    }
    for (int k = 0; k < 3; ++k) {
        if (!isfinite(first[k]) || !isfinite(last[k])) {
            return false;
        }
        centredToScanner[4 * k + 0] = row[k] * voxelSize[0];
        centredToScanner[4 * k + 1] = column[k] * voxelSize[1];
        centredToScanner[4 * k + 2] = step[k];
        // The grid centre lies halfway between the first and the last slice centre.
        centredToScanner[4 * k + 3] = (first[k] + last[k]) * 0.5;
    }
    centredToScanner[12] = 0.0;
    centredToScanner[13] = 0.0;
    centredToScanner[14] = 0.0;
    centredToScanner[15] = 1.0;
    double check[16];
    return affineInverse(centredToScanner, check);
}

void readScannerVoxelSize(const ScannerPositionHeader* position, double voxelSize[3]) {
    for (int k = 0; k < 3; ++k) {
        voxelSize[k] = readFloat(position, kOffsetVoxelSize + 4 * static_cast<size_t>(k));
    }
}

void fillVmrHeader(const HostDocument* document, VmrHeader* header) {
    memset(header, 0, sizeof *header);
    header->dimX = document->dims[0];
    header->dimY = document->dims[1];
    header->dimZ = document->dims[2];
    header->voxelSizeX = document->voxelSize[0];
    header->voxelSizeY = document->voxelSize[1];
    header->voxelSizeZ = document->voxelSize[2];
}

void fillFmrHeader(const HostDocument* document, FmrHeader* header) {
    memset(header, 0, sizeof *header);
    memcpy(header->fileName, document->fileName, sizeof header->fileName);
    memcpy(header->stcPrefix, document->stcPrefix, sizeof header->stcPrefix);
    memcpy(header->linkedFileName, document->linkedFileName, sizeof header->linkedFileName);
    header->dimX = document->dims[0];
    header->dimY = document->dims[1];
    header->dimZ = document->dims[2];
    header->voxelSizeX = document->voxelSize[0];
    header->voxelSizeY = document->voxelSize[1];
    header->voxelSizeZ = document->voxelSize[2];
    header->dataType = document->dataType;
}
