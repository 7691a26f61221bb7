// Drawing the progress line with a carriage return and erasing it with the terminal's erase-line code.
#include "host/app/write_progress.h"

#include <ostream>

std::string writeProgressText(const std::string& name, uint64_t written, uint64_t total) {
    const uint64_t megabyte = 1000 * 1000;
    uint64_t percent = total == 0 ? 100 : written * 100 / total;
    return "Writing " + name + ": " + std::to_string(written / megabyte) + " of " +
           std::to_string((total + megabyte - 1) / megabyte) + " MB (" + std::to_string(percent) + "%)";
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
