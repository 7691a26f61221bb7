// The version of the program and its plug-in, defined once: the project's version in CMake.
#ifndef POSALIGN_HOST_TERMINAL_PROGRAM_VERSION_H
#define POSALIGN_HOST_TERMINAL_PROGRAM_VERSION_H

// The version as "MAJOR.MINOR.PATCH".
const char* programVersion();

#endif
