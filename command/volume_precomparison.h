// The comparison of two FMR volumes of equal voxel count, as read from the host, before normalisation.
#ifndef POSALIGN_COMMAND_VOLUME_PRECOMPARISON_H
#define POSALIGN_COMMAND_VOLUME_PRECOMPARISON_H

#include "host_api/host_function_table.h"
#include "projection/float_volume.h"

struct VolumePrecomparison {
    float ncc; // Sab^2 / (Sbb * Saa): no means subtracted, no square root
    float ssd; // sum of (a - b)^2
};

// Sums over the elements of first and second (equal voxel counts) in index order, in single precision.
// Empty volumes give ssd 0 and ncc 0/0 (NaN).
VolumePrecomparison compareVolumes(const FloatVolume& first, const FloatVolume& second);

// Logs "NCC of FMR-FMR via dot product before intensity scaling: " and "SSD of FMR-FMR before intensity
// scaling: " lines with the values of compareVolumes, formatted one after the other into one buffer.
void logVolumePrecomparison(const HostFunctionTable& host, const FloatVolume& first,
                            const FloatVolume& second);

#endif
