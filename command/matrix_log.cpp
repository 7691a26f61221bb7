// Writing matrices to the host's log.
#include "command/matrix_log.h"

#include <stdlib.h>

#include "geometry/matrix4.h"
#include "host_api/host_function_table.h"

void logMatrix(const float values[16], const char* title) {
    char* text = matrixLogText(values, title);
    if (text == 0) {
        return;
    }
    // The host copies the text during the call, so it can be released right after.
    gHostFunctions.zrLogText(text);
    free(text);
}

void logVmrToFmrFactors(const VmrToFmrFactors& factors) {
    logMatrix(factors.sliceFlip.m, "Flipping matrix, based on slice acquisition order");
    logMatrix(factors.fmrInverseScaling.m, "FMR inverse scaling matrix");
    logMatrix(factors.vmrScaling.m, "VMR scaling matrix");
    if (factors.pastIncorporated) {
        logMatrix(factors.pastFlip.m, "Incorporating flip in past VMR transformation");
    }
    logMatrix(factors.result.m, "Final VMR 2 FMR matrix");
}
