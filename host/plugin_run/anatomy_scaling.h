// Turning anatomical samples of any range into VMR bytes.
#ifndef POSALIGN_HOST_PLUGIN_RUN_ANATOMY_SCALING_H
#define POSALIGN_HOST_PLUGIN_RUN_ANATOMY_SCALING_H

#include <cstdint>
#include <cstddef>

// The highest byte an anatomical voxel gets; bytes above it are reserved for what the plug-in paints.
const int kVmrAnatomyMaximum = 225;

// Maps samples linearly so that the smallest finite sample becomes 0 and the 99.5th percentile of the
// finite samples becomes 225, rounding to the nearest byte and clamping above (a few very bright voxels,
// e.g. vessels, do not darken the whole volume). When the percentile equals the minimum the maximum is used
// instead; a constant volume and non-finite samples become 0. Writes all count bytes.
void scaleAnatomyToVmrBytes(const float* samples, size_t count, uint8_t* bytes);

#endif
