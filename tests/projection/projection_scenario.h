// Small VMR and FMR records for projection tests: isotropic voxel sizes, identity alignment and past
// transformation, no slice-order flip, so the VMR-to-FMR matrix is diag(vmrVoxel / fmrVoxel) plus the
// translation put into the alignment record (in VMR millimetres, divided by the FMR voxel size).
#ifndef POSALIGN_TESTS_PROJECTION_PROJECTION_SCENARIO_H
#define POSALIGN_TESTS_PROJECTION_PROJECTION_SCENARIO_H

#include <cstring>
#include <string>
#include <vector>

#include "geometry/log_number.h"
#include "geometry/matrix4.h"
#include "host_api/host_records.h"
#include "projection/projections.h"
#include "projection/float_volume.h"

struct FmrDocument {
    FmrHeader header;
    ScannerPositionHeader position;
    IaMatrix ia;
    std::vector<float> values;
    FloatVolume volume;

    FmrDocument(int dimX, int dimY, int dimZ, float voxelSize, std::vector<float> initial) {
        std::memset(&header, 0, sizeof header);
        std::memset(&position, 0, sizeof position);
        header.dimX = dimX;
        header.dimY = dimY;
        header.dimZ = dimZ;
        header.voxelSizeX = header.voxelSizeY = header.voxelSizeZ = voxelSize;
        for (int k = 0; k < 16; ++k)
            ia.s[k] = k % 5 == 0 ? 1.0f : 0.0f;
        values = initial;
        values.resize(static_cast<size_t>(dimX > 0 && dimY > 0 && dimZ > 0 ? dimX * dimY * dimZ : 0));
        volume.values = values.data();
        volume.voxelCount = static_cast<int32_t>(values.size());
    }
    FmrDocument(const FmrDocument&) = delete;

    // Shifts the FMR grid against the VMR by (x, y, z) VMR millimetres.
    void translate(float x, float y, float z) {
        ia.s[12] = x;
        ia.s[13] = y;
        ia.s[14] = z;
    }
};

struct VmrDocument {
    VmrHeader header;
    Matrix4 flip;
    std::vector<unsigned char> bytes;

    VmrDocument(int dimX, int dimY, int dimZ, float voxelSize, std::vector<unsigned char> initial) {
        std::memset(&header, 0, sizeof header);
        header.dimX = dimX;
        header.dimY = dimY;
        header.dimZ = dimZ;
        header.voxelSizeX = header.voxelSizeY = header.voxelSizeZ = voxelSize;
        setIdentity(flip);
        bytes = initial;
        bytes.resize(static_cast<size_t>(dimX > 0 && dimY > 0 && dimZ > 0 ? dimX * dimY * dimZ : 0));
    }
};

// A measure as the run's log prints it.
inline std::string logNumberText(float value) {
    char text[kLogNumberTextCapacity];
    return formatLogNumber(value, text);
}

#endif
