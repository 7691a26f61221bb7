// The heap a benchmark's code holds: every operator new and delete of the program is counted, so a benchmark
// can report the most bytes a call held at once beside its time.
#ifndef POSALIGN_BENCH_HEAP_USE_H
#define POSALIGN_BENCH_HEAP_USE_H

#include <cstddef>

// Bytes held through operator new right now.
size_t heapBytesNow();

// Starts a new peak at the bytes held now.
void resetHeapPeak();

// The most bytes held at once since the last resetHeapPeak.
size_t heapPeakBytes();

#endif
