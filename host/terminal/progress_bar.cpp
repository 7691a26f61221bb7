// The text of the progress bar.
#include "host/terminal/progress_bar.h"

#include <cmath>
#include <cstdio>

std::string progressLine(int done, int total, double elapsedSeconds) {
    const int kWidth = 20;
    int filled = total > 0 ? done * kWidth / total : kWidth;
    std::string bar(filled, '#');
    bar += std::string(kWidth - filled, '.');
    char text[128];
    if (done > 0 && done < total) {
        long left = std::lround(elapsedSeconds / done * (total - done));
        snprintf(text, sizeof text, "[%s] %3d/%d runs  %ld:%02ld left", bar.c_str(), done, total, left / 60,
                 left % 60);
    } else {
        snprintf(text, sizeof text, "[%s] %3d/%d runs", bar.c_str(), done, total);
    }
    return text;
}
