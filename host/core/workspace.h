// The stand-in host's documents and workspace, and the callbacks through which an application (the Linux
// command line program or the Windows entry point) sees what the plug-in asks of the host.
//
// A document owns its storage. Geometry is one voxel-to-scanner affine per document: row-major 4x4 doubles
// mapping the voxel index (i, j, k, 1) to scanner millimetres; the voxel sizes are the lengths of its first
// three columns. The exported host functions (host_functions.h) act on the installed workspace.
#ifndef POSALIGN_HOST_CORE_WORKSPACE_H
#define POSALIGN_HOST_CORE_WORKSPACE_H

#include <stdint.h>

#include "host_api/host_records.h"

enum { kHostMaxDocuments = 8 };

struct HostDocument {
    int kind;                  // DocumentType: kDocumentVmr or kDocumentFmr
    int32_t dims[3];           // voxels along x (columns), y (rows), z (slices)
    float voxelSize[3];        // millimetres; the column lengths of voxelToScanner
    double voxelToScanner[16]; // row-major; the geometry of the voxel data as they are now

    // Names. A VMR uses fileName (and stcPrefix as its stem); an FMR has all three, as in its FmrHeader.
    char fileName[kFmrFileNameCapacity];
    char stcPrefix[kFmrStcPrefixCapacity];
    char linkedFileName[kFmrLinkedFileNameCapacity];

    // VMR: dims[0]*dims[1]*dims[2] bytes, x fastest, then y, then z; null for an FMR.
    unsigned char* voxels;
    // VMR: the record of earlier transformations (layout in past_transformations.h); zero for an FMR.
    PastTransformationsHeader pastTransformations;

    // FMR: FmrDataType, the number of volumes and the array of volumeCount pointers to one volume each
    // (dims[0]*dims[1]*dims[2] samples, x fastest); only the array of the document's dataType is non-null.
    int32_t dataType;
    int32_t volumeCount;
    int16_t** intVolumes;
    float** floatVolumes;
};

// What the application does when the plug-in talks to the host. Every member may be null; context is passed
// back unchanged.
struct HostCallbacks {
    void* context;
    // One log entry (zrLogText); the text is valid only during the call.
    void (*logText)(void* context, const char* text);
    // The user's integer (zrGetIntegerInput). Without it the host answers defaultValue.
    int (*promptInteger)(void* context, const char* prompt, int defaultValue, int lowest, int highest);
    // Saves the FMR document (already renamed by zrSetHeaderOfCurrentFMR) under stcPrefix; true on success.
    bool (*saveFmr)(void* context, const HostDocument* document, const char* stcPrefix);
    // The plug-in changed document data and asks for a redraw (zrUpdateActiveWindow).
    void (*updateWindow)(void* context);
    // A message for the user (zrMessageBox).
    void (*messageBox)(void* context, const char* text);
    // Every call of an exported host function, before it acts: its name and the workspace index of the
    // document it concerns (the index it is given, or the current document for the ...Current...
    // functions), else -1. For tracing what the plug-in asks of the host.
    void (*noteCall)(void* context, const char* functionName, int documentIndex);
};

struct HostWorkspace {
    HostDocument* documents[kHostMaxDocuments]; // owned; document 0 first
    int documentCount;
    int currentIndex; // the document the ...OfCurrentFMR/VMR functions act on; -1 when none
    HostCallbacks callbacks;
};

// A new VMR with zeroed voxels and no recorded transformations; null when a dimension is not positive, the
// voxel count exceeds 2^31 - 1, or memory runs out. Names are copied (cut to fit).
HostDocument* createVmrDocument(const int32_t dims[3], const double voxelToScanner[16], const char* fileName);

// A new FMR with volumeCount zeroed volumes of dataType samples; null on bad dims, a volume count below 1,
// a dataType other than int16/float32, or no memory. linkedFileName starts empty.
HostDocument* createFmrDocument(const int32_t dims[3], const double voxelToScanner[16], int dataType,
                                int volumeCount, const char* fileName, const char* stcPrefix);

// Frees the document and everything it owns; null is allowed.
void releaseDocument(HostDocument* document);

// Number of voxels of one volume of the document.
int32_t documentVoxelCount(const HostDocument* document);

// Mirrors a VMR's voxel data along axis 0, 1 or 2 in place, keeps its geometry true for the mirrored data
// and records the flip in its past transformations. False for a non-VMR, a bad axis or a full record.
bool flipVmrDocument(HostDocument* document, int axis);

// An empty workspace: no documents, no current document, no callbacks.
void initWorkspace(HostWorkspace* workspace);

// Appends a document (the workspace takes ownership) and makes it current, as opening a file does. False,
// and nothing taken, when the workspace is full or the document is null.
bool addDocument(HostWorkspace* workspace, HostDocument* document);

// Releases every document and empties the workspace; callbacks are kept.
void releaseWorkspaceDocuments(HostWorkspace* workspace);

// The workspace the exported host functions act on from now on; null uninstalls (they then report no
// documents and fail safely).
void installWorkspace(HostWorkspace* workspace);

// The installed workspace, or null.
HostWorkspace* installedWorkspace(void);

// The version triple zrGetVersionOfZentrovisZR reports (default 21, 3, 0).
void setHostVersion(int first, int second, int third);

// The version triple reported now.
void getHostVersion(int* first, int* second, int* third);

#endif
