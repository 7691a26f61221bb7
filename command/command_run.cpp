// The execute command from the version gate to "Finished.".
#include "command/command_run.h"

#include "command/document_intake.h"
#include "command/mapping_dispatch.h"
#include "command/run_working_set.h"
#include "host_api/host_function_table.h"

bool runCommandWith(const RunMemory& memory, const ProjectionSet& projections) {
    RunWorkingSet set = emptyRunWorkingSet();
    if (!gatherRunWorkingSet(set, memory)) {
        releaseRunWorkingSet(set, memory);
        return false;
    }
    dispatchMapping(set, projections);
    gHostFunctions.zrUpdateActiveWindow();
    releaseRunWorkingSet(set, memory);
    gHostFunctions.zrLogText("Finished.\n");
    return true;
}
