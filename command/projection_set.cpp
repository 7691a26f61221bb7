// The plug-in's own projections as a ProjectionSet.
#include "command/projection_set.h"

#include "projection/projections.h"

ProjectionSet standardProjectionSet(void) {
    ProjectionSet projections = {projectFmrToVmr, projectVmrToFmr, projectTwoFmrsToVmr};
    return projections;
}
