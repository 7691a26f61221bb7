// A RunMemory that counts live blocks and can refuse one request on purpose: the one seam of a run.
#ifndef POSALIGN_TESTS_COMMAND_COUNTING_MEMORY_H
#define POSALIGN_TESTS_COMMAND_COUNTING_MEMORY_H

#include <cstdlib>

#include "command/run_memory.h"

struct CountingMemory {
    static inline int liveBlocks = 0;
    static inline int requests = 0;
    static inline int failAtRequest = -1; // 0-based request that is refused; -1 refuses none

    static void reset(int failAt = -1) {
        liveBlocks = 0;
        requests = 0;
        failAtRequest = failAt;
    }

    static RunMemory memory() {
        RunMemory memory = {allocate, release};
        return memory;
    }

  private:
    static void* allocate(size_t count, size_t size) {
        if (requests++ == failAtRequest) {
            return nullptr;
        }
        void* block = std::calloc(count, size);
        liveBlocks += block != nullptr;
        return block;
    }
    static void release(void* block) {
        liveBlocks -= block != nullptr;
        std::free(block);
    }
};

#endif
