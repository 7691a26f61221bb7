// Platform-independent number text for the log.
#include "geometry/log_number.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

const char* formatLogNumber(double value, char text[kLogNumberTextCapacity]) {
    if (isnan(value)) {
        strcpy(text, "nan");
    } else if (isinf(value)) {
        strcpy(text, value > 0 ? "inf" : "-inf");
    } else {
        snprintf(text, kLogNumberTextCapacity, "%f", value);
    }
    return text;
}

char* formatLogLine(char* buffer, size_t capacity, const char* label, double value) {
    char number[kLogNumberTextCapacity];
    snprintf(buffer, capacity, "%s%s", label, formatLogNumber(value, number));
    return buffer;
}
