// A one-line progress bar for a terminal: runs done of all, and the estimated time left.
#ifndef POSALIGN_HOST_TERMINAL_PROGRESS_BAR_H
#define POSALIGN_HOST_TERMINAL_PROGRESS_BAR_H

#include <string>

// "[########............]  7/20 runs  0:12 left": the bar 20 characters wide; the time left, estimated from
// the time taken so far, is shown once a run is done.
std::string progressLine(int done, int total, double elapsedSeconds);

#endif
