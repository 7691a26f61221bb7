// The one way the plug-in prints a number into its log.
//
// C libraries disagree on the text of not-a-number and infinity ("-nan", "-nan(ind)", ...), but the log
// must read the same on every platform, so every logged value goes through this helper.
#ifndef POSALIGN_GEOMETRY_LOG_NUMBER_H
#define POSALIGN_GEOMETRY_LOG_NUMBER_H

#include <stddef.h>

// Large enough for every float printed with %f (at most 47 characters) and its NUL.
enum { kLogNumberTextCapacity = 64 };

// Writes value into text and returns text: a finite value exactly as "%f" prints it, any NaN as "nan"
// whatever its sign or payload, infinities as "inf" and "-inf".
const char* formatLogNumber(double value, char text[kLogNumberTextCapacity]);

// Formats "<label><value>" into a buffer of the given capacity, the value as formatLogNumber prints it;
// the text is cut to fit. Returns buffer.
char* formatLogLine(char* buffer, size_t capacity, const char* label, double value);

#endif
