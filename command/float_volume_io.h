// Copying the first volume of the current FMR document into a FloatVolume, and back.
//
// The host hands out an array of sample pointers; only the first is used, and the dimX*dimY*dimZ samples
// that start there are the volume (x fastest, then y, then z). The header's dataType chooses the sample type:
// kFmrDataInt16 or kFmrDataFloat32. For any other type the host's data functions are not called at all.
#ifndef POSALIGN_COMMAND_FLOAT_VOLUME_IO_H
#define POSALIGN_COMMAND_FLOAT_VOLUME_IO_H

#include <stdint.h>

#include "command/run_memory.h"
#include "host_api/host_function_table.h"
#include "projection/float_volume.h"

// A zeroed volume of voxelCount floats (values null when voxelCount is 0). False, with volume left empty,
// when the storage cannot be had.
bool allocateFloatVolume(int32_t voxelCount, const RunMemory& memory, FloatVolume& volume);

// Fills volume (allocated for the header's voxel count) from the current FMR: 16-bit samples converted
// exactly, float samples bit for bit, other data types left as they are. False, with nothing read, when
// the host gives no sample array (or a null first pointer) for a non-empty volume.
bool readCurrentFmrSamples(const HostFunctionTable& host, const FmrHeader& header, FloatVolume& volume);

// Writes volume into the current FMR's samples: 16-bit samples by int16SampleFromFloat, floats bit for bit,
// other data types untouched. False, with nothing written, when the host gives no sample array (or a null
// first pointer) for a non-empty volume.
bool writeCurrentFmrSamples(const HostFunctionTable& host, const FmrHeader& header,
                            const FloatVolume& volume);

#endif
