// POSALIGN_VERSION comes from the project's version in the top-level CMakeLists.txt.
#include "host/terminal/program_version.h"

const char* programVersion() {
    return POSALIGN_VERSION;
}
