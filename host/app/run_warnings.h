// Reasons, found in the documents before the plug-in runs, why its measures of the run will say nothing:
// the plug-in's log only shows them as "nan", so the host says what caused it.
#ifndef POSALIGN_HOST_APP_RUN_WARNINGS_H
#define POSALIGN_HOST_APP_RUN_WARNINGS_H

#include <string>
#include <vector>

#include "host/app/input_documents.h"
#include "host/core/workspace.h"

// One sentence per cause, naming the file: a functional with no voxel centre inside the anatomical's grid,
// and a functional whose first volume (the one the plug-in compares) holds NaN or infinite samples.
// documents: the VMR first, then the FMRs; sources parallel to them.
std::vector<std::string> runWarnings(const HostDocument* const* documents, int documentCount,
                                     const std::vector<DocumentSource>& sources);

#endif
