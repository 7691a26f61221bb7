// Write-back, renaming and saving of one FMR document.
#include "command/write_back.h"

#include <stdio.h>

#include "command/float_volume_io.h"
#include "command/fmr_naming.h"
#include "host_api/host_function_table.h"

enum { kReasonTextCapacity = 160 };

static void logFmrReason(const HostFunctionTable& host, const FmrSlot& slot, const char* reason) {
    char text[kReasonTextCapacity];
    snprintf(text, sizeof text, "FMR %d: %s", slot.documentIndex, reason);
    host.zrLogText(text);
}

void writeBackAndSaveFmr(const HostFunctionTable& host, FmrSlot& slot, SavedNameRule rule,
                         const FmrHeader* secondHeader) {
    FmrHeader& header = *slot.header;
    // The names are settled before anything is written, so a refused name leaves the document as the
    // host has it instead of holding projected samples under its old name.
    FmrSavedNames names;
    bool named = rule == kSavedNameFromSecondFmr ? composeFmrProjectionNames(header, *secondHeader, names)
                                                 : composeVmrProjectionNames(header, names);
    if (!named) {
        logFmrReason(host, slot,
                     "the new name would not fit the header's name fields; the FMR is neither written "
                     "back nor saved.");
        return;
    }
    host.zrSetAsCurrentDocument(slot.documentIndex);
    if (!writeCurrentFmrSamples(host, header, slot.volume)) {
        logFmrReason(host, slot, "the host gave no sample data; the FMR is neither written back nor saved.");
        return;
    }
    applySavedNames(names, header);
    if (rule == kSavedNameFromSecondFmr) {
        host.zrLogText("New name for mapping from second to first FMR:");
        host.zrLogText(header.fileName);
    }
    host.zrSetHeaderOfCurrentFMR(&header);
    host.zrSaveFMRAndSTC(&header, header.stcPrefix);
}
