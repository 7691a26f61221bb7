// Drawing the progress line with a carriage return and erasing it with the terminal's erase-line code.
#include "host/terminal/write_progress.h"

#include <cstdio>
#include <ostream>

std::string writeProgressText(const std::string& name, uint64_t written, uint64_t total) {
    char amounts[96];
    snprintf(amounts, sizeof amounts, ": %.1f of %.1f MB (%d%%)", static_cast<double>(written) / 1e6,
             static_cast<double>(total) / 1e6, total == 0 ? 100 : static_cast<int>(written * 100 / total));
    return "Writing " + name + amounts;
}

void showWriteProgress(TerminalProgress& progress, uint64_t written, uint64_t total) {
    if (progress.terminal == nullptr || total < kProgressMinimumBytes) {
        return;
    }
    int percent = static_cast<int>(written * 100 / total);
    if (percent == progress.shownPercent) {
        return;
    }
    progress.shownPercent = percent;
    *progress.terminal << "\r\033[K" << writeProgressText(progress.name, written, total) << std::flush;
}

void endWriteProgress(TerminalProgress& progress) {
    if (progress.terminal != nullptr && progress.shownPercent >= 0) {
        *progress.terminal << "\r\033[K" << std::flush;
    }
    progress.shownPercent = -1;
}
