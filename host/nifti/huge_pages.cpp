// Huge pages on request (Linux: madvise).
#include "host/nifti/huge_pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

void adviseHugePages(void* start, size_t bytes) {
    const size_t kSmallest = size_t{4} << 20;
    if (start == nullptr || bytes < kSmallest) {
        return;
    }
    const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t first = (reinterpret_cast<uintptr_t>(start) + page - 1) / page * page;
    const uintptr_t end = (reinterpret_cast<uintptr_t>(start) + bytes) / page * page;
    if (end > first) {
        madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
    }
}
