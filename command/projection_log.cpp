// The log lines of the three projections.
#include "command/projection_log.h"

#include "command/matrix_log.h"
#include "geometry/log_number.h"
#include "host_api/host_function_table.h"

enum { kResultLineCapacity = 256 };

static void logValue(const char* label, float value) {
    char line[kResultLineCapacity];
    gHostFunctions.zrLogText(formatLogLine(line, sizeof line, label, value));
}

void logFmrToVmrResult(const FmrToVmrResult& result) {
    logVmrToFmrFactors(result.factors);
    logMatrix(result.factors.result.m, "Final FMR to VMR mapping");
    logValue("SSD of FMR-VMR (only overlapping part): ", result.ssd);
    gHostFunctions.zrLogText("Calculate NCC via dotproduct...");
    logValue("NCC of FMR-VMR (only overlapping part): ", result.ncc);
}

void logVmrToFmrResult(const VmrToFmrResult& result) {
    logVmrToFmrFactors(result.factors);
    logMatrix(result.fmrToVmr.m, "Final VMR to FMR mapping");
}

void logTwoFmrsToVmrResult(const TwoFmrsToVmrResult& result) {
    logVmrToFmrFactors(result.factors1);
    logMatrix(result.factors1.result.m, "Final FMR 1 to VMR mapping");
    logVmrToFmrFactors(result.factors2);
    logMatrix(result.factors2.result.m, "Final FMR 2 to VMR mapping");
    logValue("Negative NCC of FMR-FMR (only overlapping part): ", result.negativeCorrelation);
    logValue("NCC of FMR-FMR (only overlapping part) via dot product: ", result.ncc);
    logValue("SSD of FMR-FMR (only overlapping part): ", result.ssd);
}
