// Splitting a Windows command line into arguments, by the rules the Microsoft C runtime applies.
#ifndef POSALIGN_PLATFORM_WINDOWS_RUNTIME_COMMAND_LINE_H
#define POSALIGN_PLATFORM_WINDOWS_RUNTIME_COMMAND_LINE_H

#include <stddef.h>

// Argument slots that splitCommandLine may need for a line of this length (the final null included).
size_t commandLineArgumentCapacity(size_t lineLength);

// Splits line into arguments: whitespace separates them; double quotes group; 2n backslashes before a
// quote give n backslashes, 2n+1 give n and a literal quote; other backslashes are literal. The program
// name (first argument) ends at its closing quote or at whitespace, without escapes. Writes the texts into
// storage (strlen(line) + 1 bytes) and their addresses into arguments, followed by a null; returns the count.
int splitCommandLine(const char* line, char* storage, char** arguments);

#endif
