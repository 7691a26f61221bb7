// Everything one run gathers from the host and hands from the intake to the dispatch.
//
// The records, float copies and matrices belong to the run: allocated zeroed from its RunMemory before the
// host fills them, released by releaseRunWorkingSet. The VMR voxel bytes and the FMR sample arrays belong to
// the host; the run reads and writes them in place and never releases them.
#ifndef POSALIGN_COMMAND_RUN_WORKING_SET_H
#define POSALIGN_COMMAND_RUN_WORKING_SET_H

#include "command/mapping_choice.h"
#include "command/run_memory.h"
#include "geometry/matrix4.h"
#include "host_api/host_records.h"
#include "projection/float_volume.h"

// Workspace positions of the documents a check uses (0-based, as zrSetAsCurrentDocument takes them).
enum WorkspaceDocument { kVmrDocument = 0, kFirstFmrDocument = 1, kSecondFmrDocument = 2 };

// One FMR of the run: its records, its float copy and the host's initial alignment against the VMR.
struct FmrSlot {
    int documentIndex;               // kFirstFmrDocument or kSecondFmrDocument
    FmrHeader* header;               // filled by zrGetHeaderOfCurrentFMR
    ScannerPositionHeader* position; // filled by zrGetScannerPositionHeaderOfCurrentFMR
    FloatVolume volume;              // first volume of the samples; values null when voxelCount is 0
    IaMatrix* iaMatrix;              // written by zrCalculateIAMatrix
};

struct RunWorkingSet {
    bool hasSecondFmr; // document 3 is an FMR
    FmrSlot fmr1;
    FmrSlot fmr2;                                   // all null unless hasSecondFmr
    VmrHeader* vmrHeader;                           // filled by zrGetMainHeaderOfCurrentVMR
    unsigned char* vmrVoxels;                       // the host's voxel bytes: never released by the run
    ScannerPositionHeader* vmrPosition;             // filled by zrGetScannerPositionHeaderOfCurrentVMR
    PastTransformationsHeader* pastTransformations; // filled by zrGetPastTransformationsHeaderOfCurrentVMR
    Matrix4* flipMatrix; // written by both zrCalculateIAMatrix calls; the last one stands
    MappingChoice mapping;
};

// A working set that holds nothing yet: every pointer null, FMR slots numbered 1 and 2.
RunWorkingSet emptyRunWorkingSet(void);

// Releases every block the run allocated (FMR 1's float copy first, then FMR 2's, then the records) and
// nulls the pointers; host storage is left alone. Safe on a partly filled set and when called twice.
void releaseRunWorkingSet(RunWorkingSet& set, const RunMemory& memory);

#endif
