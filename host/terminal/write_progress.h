// A progress line on the terminal while a large image is written, so a long write is not a silent wait.
#ifndef POSALIGN_HOST_TERMINAL_WRITE_PROGRESS_H
#define POSALIGN_HOST_TERMINAL_WRITE_PROGRESS_H

#include <cstdint>
#include <iosfwd>
#include <string>

// Sample data below this size are written without a progress line (they take a few milliseconds).
const uint64_t kProgressMinimumBytes = uint64_t(1) << 20;

// The line shown while name is written, as in "Writing run1_VMR.nii.gz: 41.6 of 88.5 MB (47%)".
std::string writeProgressText(const std::string& name, uint64_t written, uint64_t total);

// The progress line of one file on a terminal.
struct TerminalProgress {
    std::ostream* terminal = nullptr; // null: nothing is shown
    std::string name;
    int shownPercent = -1; // the percentage on screen; -1 before the first
};

// Redraws the line when the whole percentage changed (files of kProgressMinimumBytes and more only).
void showWriteProgress(TerminalProgress& progress, uint64_t written, uint64_t total);

// Erases the line if one was drawn, so the terminal reads as without it.
void endWriteProgress(TerminalProgress& progress);

#endif
