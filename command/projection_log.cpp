// The log lines of the three projections.
#include "command/projection_log.h"

#include "command/matrix_log.h"
#include "geometry/log_number.h"
#include "host_api/host_function_table.h"

enum { kResultLineCapacity = 256 };

static void logValue(const HostFunctionTable& host, const char* label, float value) {
    char line[kResultLineCapacity];
    host.zrLogText(formatLogLine(line, sizeof line, label, value));
}

void logFmrToVmrResult(const HostFunctionTable& host, const FmrToVmrResult& result) {
    logVmrToFmrFactors(host, result.factors);
    logMatrix(host, result.factors.result.m, "Final FMR to VMR mapping");
    logValue(host, "SSD of FMR-VMR (only overlapping part): ", result.ssd);
    host.zrLogText("Calculate NCC via dotproduct...");
    logValue(host, "NCC of FMR-VMR (only overlapping part): ", result.ncc);
}

void logVmrToFmrResult(const HostFunctionTable& host, const VmrToFmrResult& result) {
    logVmrToFmrFactors(host, result.factors);
    logMatrix(host, result.fmrToVmr.m, "Final VMR to FMR mapping");
}

void logTwoFmrsToVmrResult(const HostFunctionTable& host, const TwoFmrsToVmrResult& result) {
    logVmrToFmrFactors(host, result.factors1);
    logMatrix(host, result.factors1.result.m, "Final FMR 1 to VMR mapping");
    logVmrToFmrFactors(host, result.factors2);
    logMatrix(host, result.factors2.result.m, "Final FMR 2 to VMR mapping");
    logValue(host, "Negative NCC of FMR-FMR (only overlapping part): ", result.negativeCorrelation);
    logValue(host, "NCC of FMR-FMR (only overlapping part) via dot product: ", result.ncc);
    logValue(host, "SSD of FMR-FMR (only overlapping part): ", result.ssd);
}
