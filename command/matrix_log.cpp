// Writing matrices to the host's log.
#include "command/matrix_log.h"

#include <stdlib.h>

#include "geometry/matrix4.h"
#include "host_api/host_function_table.h"

void logMatrix(const HostFunctionTable& host, const float values[16], const char* title) {
    char* text = matrixLogText(values, title);
    if (text == 0) {
        return;
    }
    // The host copies the text during the call, so it can be released right after.
    host.zrLogText(text);
    free(text);
}

void logVmrToFmrFactors(const HostFunctionTable& host, const VmrToFmrFactors& factors) {
    logMatrix(host, factors.sliceFlip.m, "Flipping matrix, based on slice acquisition order");
    logMatrix(host, factors.fmrInverseScaling.m, "FMR inverse scaling matrix");
    logMatrix(host, factors.vmrScaling.m, "VMR scaling matrix");
    if (factors.pastIncorporated) {
        logMatrix(host, factors.pastFlip.m, "Incorporating flip in past VMR transformation");
    }
    logMatrix(host, factors.result.m, "Final VMR 2 FMR matrix");
}
