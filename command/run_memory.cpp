// The run's storage from the C library.
#include "command/run_memory.h"

#include <stdlib.h>

static void* allocateZeroedFromC(size_t count, size_t size) {
    // calloc(0, n) may hand out a block or null; a run never asks for an empty block, but make the answer
    // one thing either way.
    if (count == 0 || size == 0) {
        return 0;
    }
    return calloc(count, size);
}

static void releaseToC(void* block) {
    free(block);
}

RunMemory standardRunMemory(void) {
    RunMemory memory = {allocateZeroedFromC, releaseToC};
    return memory;
}
