// A well-mixed hash of an index, for the check's sample picks and offsets that must look random yet repeat
// run after run.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_SCRAMBLED_INDEX_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_SCRAMBLED_INDEX_H

#include <cstdint>

inline uint32_t scrambled(uint32_t value) {
    uint32_t h = value * 2654435761u;
    h ^= h >> 16;
    h *= 2246822519u;
    h ^= h >> 13;
    return h;
}

#endif
