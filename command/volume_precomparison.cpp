// Element-by-element comparison of two FMR volumes in storage order.
#include "command/volume_precomparison.h"

#include "geometry/log_number.h"
#include "host_api/host_function_table.h"

VolumePrecomparison compareVolumes(const FloatVolume& first, const FloatVolume& second) {
    float sab = 0.0f;
    float saa = 0.0f;
    float sbb = 0.0f;
    float ssd = 0.0f;
    int32_t count = first.voxelCount;
    for (int32_t i = 0; i < count; ++i) {
        float a = first.values[i];
        float b = second.values[i];
        sab += a * b;
        saa += a * a;
        sbb += b * b;
        float difference = a - b;
        ssd += difference * difference;
    }
    VolumePrecomparison result;
    float squaredDot = sab * sab;
    float normProduct = sbb * saa;
    result.ncc = squaredDot / normProduct;
    result.ssd = ssd;
    return result;
}

enum { kPrecomparisonTextCapacity = 256 };

void logVolumePrecomparison(const HostFunctionTable& host, const FloatVolume& first,
                            const FloatVolume& second) {
    VolumePrecomparison result = compareVolumes(first, second);
    // One buffer for both lines: the host has taken the first text when zrLogText returns.
    char text[kPrecomparisonTextCapacity];
    host.zrLogText(formatLogLine(text, sizeof text,
                                 "NCC of FMR-FMR via dot product before intensity scaling: ", result.ncc));
    host.zrLogText(formatLogLine(text, sizeof text, "SSD of FMR-FMR before intensity scaling: ", result.ssd));
}
