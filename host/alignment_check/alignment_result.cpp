// Names of the verdicts.
#include "host/alignment_check/alignment_result.h"

const char* verdictName(Verdict verdict) {
    switch (verdict) {
    case Verdict::kPass:
        return "pass";
    case Verdict::kWarn:
        return "warn";
    case Verdict::kInconclusive:
        return "inconclusive";
    default:
        return "fail";
    }
}
