// Writing a projection's result into an FMR document and saving that document under a new name.
#ifndef POSALIGN_COMMAND_WRITE_BACK_H
#define POSALIGN_COMMAND_WRITE_BACK_H

#include "command/run_working_set.h"
#include "host_api/host_function_table.h"

// How the saved document is named.
enum SavedNameRule {
    kSavedNameVmrProjection, // "<prefix>_VMR" (mapping 2)
    kSavedNameFromSecondFmr  // "<prefix>_from_<FMR 2 prefix>", announced in the log (mapping 3)
};

// Makes slot's document current, writes slot.volume into its samples, empties linkedFileName, sets the new
// stcPrefix and fileName, and hands the header to zrSetHeaderOfCurrentFMR and zrSaveFMRAndSTC. secondHeader
// (FMR 2's) is used by kSavedNameFromSecondFmr only. When the new name would not fit the header, or the host
// gives no sample array, the document is neither written nor renamed nor saved, and one log line says so.
void writeBackAndSaveFmr(const HostFunctionTable& host, FmrSlot& slot, SavedNameRule rule,
                         const FmrHeader* secondHeader);

#endif
