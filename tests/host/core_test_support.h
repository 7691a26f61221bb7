// Test support for the host core: the scripted host, the true voxel map of two documents, and logged values.
#ifndef POSALIGN_TESTS_HOST_CORE_TEST_SUPPORT_H
#define POSALIGN_TESTS_HOST_CORE_TEST_SUPPORT_H

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "host/core/affine_math.h"
#include "host/core/host_functions.h"
#include "host/core/workspace.h"
#include "host_api/host_function_table.h"
#include "tests/support/scripted_host.h"

// The true map from centred VMR voxel coordinates to centred FMR voxel coordinates of the same scanner
// position, from the documents' geometry: T(-o_f) * A_f^-1 * A_v * T(o_v).
inline void trueVmrToFmr(const HostDocument& vmr, const HostDocument& fmr, double out[16]) {
    double vmrCentre[16], fmrUncentre[16], fmrInverse[16];
    affineIdentity(vmrCentre);
    affineIdentity(fmrUncentre);
    for (int axis = 0; axis < 3; ++axis) {
        vmrCentre[4 * axis + 3] = (vmr.dims[axis] - 1) * 0.5;
        fmrUncentre[4 * axis + 3] = -(fmr.dims[axis] - 1) * 0.5;
    }
    affineInverse(fmr.voxelToScanner, fmrInverse);
    affineMultiply(fmrInverse, vmr.voxelToScanner, out);
    affineMultiply(out, vmrCentre, out);
    affineMultiply(fmrUncentre, out, out);
}

// The number after the last occurrence of label in the log; NaN when absent.
inline double loggedValue(const std::vector<std::string>& log, const std::string& label) {
    double value = NAN;
    for (const std::string& line : log) {
        if (line.compare(0, label.size(), label) == 0) {
            value = strtod(line.c_str() + label.size(), 0);
        }
    }
    return value;
}

#endif
