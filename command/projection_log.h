// Writing what a projection measured to the host's log, line by line in the order the run shows them.
#ifndef POSALIGN_COMMAND_PROJECTION_LOG_H
#define POSALIGN_COMMAND_PROJECTION_LOG_H

#include "host_api/host_function_table.h"
#include "projection/projections.h"

// The FMR's factors, "Final FMR to VMR mapping", the SSD, "Calculate NCC via dotproduct..." and the NCC.
void logFmrToVmrResult(const HostFunctionTable& host, const FmrToVmrResult& result);

// The FMR's factors and the inverted matrix as "Final VMR to FMR mapping".
void logVmrToFmrResult(const HostFunctionTable& host, const VmrToFmrResult& result);

// FMR 1's factors and final matrix, FMR 2's, then the negative correlation, the NCC and the SSD.
void logTwoFmrsToVmrResult(const HostFunctionTable& host, const TwoFmrsToVmrResult& result);

#endif
