// The check's reading rules.
#include "host/alignment_check/check_read_rules.h"

CheckReadRules anatomicalReadRules() {
    CheckReadRules rules{SampleKind::kFloat, NiftiLimits{}};
    rules.limits.maxVoxelsPerAxis = kMaxAnatomicalVoxelsPerAxis;
    rules.limits.allowSeveralVolumes = false;
    return rules;
}

CheckReadRules functionalReadRules() {
    return CheckReadRules{SampleKind::kInt16WhenRaw, NiftiLimits{}};
}
