// The plug-in's float copy of one FMR volume.
#ifndef POSALIGN_PROJECTION_FLOAT_VOLUME_H
#define POSALIGN_PROJECTION_FLOAT_VOLUME_H

#include <stdint.h>

// voxelCount = dimX*dimY*dimZ of the FMR's header; element (x, y, z) at x + dimX*(y + dimY*z). The run
// that allocates the values releases them. Values are 0..225 after normalisation.
struct FloatVolume {
    float* values;
    int32_t voxelCount;
};

#endif
