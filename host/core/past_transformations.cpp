// The VMR's record of past transformations: a count and the axes of recorded flips.
#include "host/core/past_transformations.h"

#include <string.h>

static int32_t readInt32(const PastTransformationsHeader* record, size_t offset) {
    int32_t value;
    memcpy(&value, record->hostBytes + offset, sizeof value);
    return value;
}

static void writeInt32(PastTransformationsHeader* record, size_t offset, int32_t value) {
    memcpy(record->hostBytes + offset, &value, sizeof value);
}

void clearPastTransformations(PastTransformationsHeader* record) {
    memset(record, 0, sizeof *record);
}

bool recordFlip(PastTransformationsHeader* record, int axis) {
    int32_t count = readInt32(record, 0);
    if (axis < 0 || axis > 2 || count < 0 || count >= kMaxRecordedFlips) {
        return false;
    }
    writeInt32(record, 4 + 4 * static_cast<size_t>(count), axis);
    writeInt32(record, 0, count + 1);
    return true;
}

bool readNetFlips(const PastTransformationsHeader* record, int sign[3]) {
    sign[0] = sign[1] = sign[2] = 1;
    int32_t count = readInt32(record, 0);
    if (count < 0 || count > kMaxRecordedFlips) {
        return false;
    }
    int net[3] = {1, 1, 1};
    for (int32_t n = 0; n < count; ++n) {
        int32_t axis = readInt32(record, 4 + 4 * static_cast<size_t>(n));
        if (axis < 0 || axis > 2) {
            return false;
        }
        net[axis] = -net[axis];
    }
    sign[0] = net[0];
    sign[1] = net[1];
    sign[2] = net[2];
    return true;
}
