// FloatVolume <-> FMR samples of the current document.
#include "command/float_volume_io.h"

#include <string.h>

#include "command/int16_sample.h"
#include "host_api/host_function_table.h"

bool allocateFloatVolume(int32_t voxelCount, const RunMemory& memory, FloatVolume& volume) {
    volume.values = 0;
    volume.voxelCount = 0;
    if (voxelCount <= 0) {
        return true;
    }
    float* values = (float*)memory.allocateZeroed((size_t)voxelCount, sizeof(float));
    if (values == 0) {
        return false;
    }
    volume.values = values;
    volume.voxelCount = voxelCount;
    return true;
}

// The first sample pointer of a host sample array, or null when the host gave none.
template <typename Sample> static Sample* firstSamples(Sample** samples) {
    return samples == 0 ? 0 : samples[0];
}

bool readCurrentFmrSamples(const HostFunctionTable& host, const FmrHeader& header, FloatVolume& volume) {
    int32_t count = volume.voxelCount;
    if (header.dataType == kFmrDataInt16) {
        const int16_t* samples = firstSamples(host.zrGetSTCIntDataOfCurrentFMR());
        if (samples == 0 && count > 0) {
            return false;
        }
        for (int32_t i = 0; i < count; ++i) {
            volume.values[i] = (float)samples[i];
        }
    } else if (header.dataType == kFmrDataFloat32) {
        const float* samples = firstSamples(host.zrGetSTCFloatDataOfCurrentFMR());
        if (samples == 0 && count > 0) {
            return false;
        }
        if (count > 0) {
            memcpy(volume.values, samples, (size_t)count * sizeof(float));
        }
    }
    return true;
}

bool writeCurrentFmrSamples(const HostFunctionTable& host, const FmrHeader& header,
                            const FloatVolume& volume) {
    int32_t count = volume.voxelCount;
    if (header.dataType == kFmrDataInt16) {
        int16_t* samples = firstSamples(host.zrGetSTCIntDataOfCurrentFMR());
        if (samples == 0 && count > 0) {
            return false;
        }
        for (int32_t i = 0; i < count; ++i) {
            samples[i] = int16SampleFromFloat(volume.values[i]);
        }
    } else if (header.dataType == kFmrDataFloat32) {
        float* samples = firstSamples(host.zrGetSTCFloatDataOfCurrentFMR());
        if (samples == 0 && count > 0) {
            return false;
        }
        if (count > 0) {
            memcpy(samples, volume.values, (size_t)count * sizeof(float));
        }
    }
    return true;
}
