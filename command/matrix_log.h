// Writing matrices to the host's log.
#ifndef POSALIGN_COMMAND_MATRIX_LOG_H
#define POSALIGN_COMMAND_MATRIX_LOG_H

#include "geometry/transformation_builder.h"
#include "host_api/host_function_table.h"

// Logs the matrixLogText of the sixteen values under title through the host's zrLogText and releases the
// text after the call. Nothing is logged when the text cannot be allocated.
void logMatrix(const HostFunctionTable& host, const float values[16], const char* title);

// Logs the builder's factors in the order they are composed: the slice-order flip, the FMR inverse scaling,
// the VMR scaling, the past flip matrix as received (only when it was incorporated), and the result.
void logVmrToFmrFactors(const HostFunctionTable& host, const VmrToFmrFactors& factors);

#endif
