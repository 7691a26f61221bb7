// The execute command from the version gate to "Finished.".
#include "command/command_run.h"

#include "command/document_intake.h"
#include "command/mapping_dispatch.h"
#include "command/run_working_set.h"

bool runPosalignCommand(const HostFunctionTable& host, const RunMemory& memory) {
    RunWorkingSet set = emptyRunWorkingSet();
    if (!gatherRunWorkingSet(host, set, memory)) {
        releaseRunWorkingSet(set, memory);
        return false;
    }
    dispatchMapping(host, set);
    host.zrUpdateActiveWindow();
    releaseRunWorkingSet(set, memory);
    host.zrLogText("Finished.\n");
    return true;
}
