// Large buffers backed by huge pages where the system offers them on request: filling a buffer of a few
// hundred megabytes then takes a few hundred page faults instead of tens of thousands.
#ifndef POSALIGN_HOST_NIFTI_HUGE_PAGES_H
#define POSALIGN_HOST_NIFTI_HUGE_PAGES_H

#include <cstddef>

// Asks the system to back the whole pages of [start, start + bytes) with huge pages when they are first
// touched. Only a hint: nothing changes when the system declines, and buffers under a few megabytes are
// left alone.
void adviseHugePages(void* start, size_t bytes);

#endif
