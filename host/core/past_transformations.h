// The host's record of a VMR's earlier transformations. This host records mirror flips only.
//
// PastTransformationsHeader, 10108 bytes, as this host writes it (int32 little-endian):
//    0  flip count n (0 .. kMaxRecordedFlips)
//    4  axis of flip 1 .. axis of flip n, one int32 each: 0 x, 1 y, 2 z (voxel axes of the VMR)
//   rest 0
// A flip mirrors the voxel data along its axis about the centre of the grid.
#ifndef POSALIGN_HOST_CORE_PAST_TRANSFORMATIONS_H
#define POSALIGN_HOST_CORE_PAST_TRANSFORMATIONS_H

#include "host_api/host_records.h"

enum { kMaxRecordedFlips = 64 };

// An empty record (no transformations).
void clearPastTransformations(PastTransformationsHeader* record);

// Appends a flip of axis 0, 1 or 2; false (record unchanged) for another axis or a full record.
bool recordFlip(PastTransformationsHeader* record, int axis);

// The net mirror of the recorded flips: sign[a] = -1 when axis a was flipped an odd number of times, else
// +1. False (signs all +1) when the record is malformed (count or an axis out of range).
bool readNetFlips(const PastTransformationsHeader* record, int sign[3]);

#endif
