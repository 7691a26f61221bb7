// The host functions the plug-in calls, exported by name with C linkage from the program that links the
// host core. Their types are those of the plug-in's host function list, expanded from that one list.
//
// Current-document rule: zrSetAsCurrentDocument selects a document; every ...OfCurrentFMR, ...OfCurrentVMR
// function and zrGetCurrentVMR act on it. A call on a missing document, or on one of the wrong kind,
// returns false (or null) and writes nothing. Without an installed workspace there are no documents.
//
//   zrGetVersionOfZentrovisZR        writes the version triple set by setHostVersion
//   zrShowLogTab                      true; the log is always shown
//   zrLogText, zrMessageBox           pass the text to the workspace's callback
//   zrGetIntegerInput                 the prompt callback's answer, defaultValue without one (not clamped)
//   zrUpdateActiveWindow              calls the window callback
//   zrGetNumberOfDocsInWorkspace      number of documents
//   zrGetDocumentType                 kDocumentVmr / kDocumentFmr, 0 for an index without a document
//   zrCalculateIAMatrix               computeInitialAlignment (initial_alignment.h); scratch values set to 0
//   zrGetHeaderOfCurrentFMR           the FMR's header: names, grid, voxel sizes, dataType; other bytes 0
//   zrSetHeaderOfCurrentFMR           takes the three names (false, nothing taken, when one is unterminated);
//                                     the grid fields and dataType stay the document's (they describe
//                                     storage)
//   zrGetSTC{Float,Int}DataOfCurrentFMR  the document's array of volume pointers; null for the other type
//   zrSaveFMRAndSTC                   calls the save callback with the current FMR and the prefix
//   zrGetScannerPositionHeaderOf...   fills the record from the document's geometry (scanner_geometry.h)
//   zrGetCurrentVMR                   the voxel bytes; the three scratch values receive dimX, dimY, dimZ
//   zrGetMainHeaderOfCurrentVMR       dims and voxel sizes; other bytes 0
//   zrGetPastTransformationsHeaderOfCurrentVMR  the VMR's record (past_transformations.h)
#ifndef POSALIGN_HOST_CORE_HOST_FUNCTIONS_H
#define POSALIGN_HOST_CORE_HOST_FUNCTIONS_H

#include "host/core/host_export.h"
#include "host_api/host_function_list.h"

#define ZR_HOST_DECLARE_UNCALLED(name)
#define ZR_HOST_DECLARE_CALLED(name, Result, Parameters) extern "C" HOST_EXPORT Result name Parameters;
ZR_HOST_FUNCTIONS(ZR_HOST_DECLARE_UNCALLED, ZR_HOST_DECLARE_CALLED)
#undef ZR_HOST_DECLARE_UNCALLED
#undef ZR_HOST_DECLARE_CALLED

#endif
