// Where a run gets its storage and where it returns it.
//
// Every record, float copy and matrix of a run comes from here and goes back here before the run ends. The
// plug-in uses the C library; tests substitute an allocator that counts blocks or fails on purpose.
#ifndef POSALIGN_COMMAND_RUN_MEMORY_H
#define POSALIGN_COMMAND_RUN_MEMORY_H

#include <stddef.h>

struct RunMemory {
    // count * size zeroed bytes, or null when they cannot be had (count * size overflowing included).
    void* (*allocateZeroed)(size_t count, size_t size);
    // Returns a block from allocateZeroed; null is ignored.
    void (*release)(void* block);
};

// calloc and free.
RunMemory standardRunMemory(void);

#endif
