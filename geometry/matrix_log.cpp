// Writing one matrix to the host's log.
#include "geometry/matrix_log.h"

#include <stdlib.h>

#include "geometry/matrix4.h"
#include "plugin/host_function_table.h"

void logMatrix(const float values[16], const char* title) {
    char* text = matrixLogText(values, title);
    if (text == 0) {
        return;
    }
    // The host copies the text during the call, so it can be released right after.
    gHostFunctions.zrLogText(text);
    free(text);
}
