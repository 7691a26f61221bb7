// The files a run of the stand-in host writes into its output folder, and the check made before the run
// that none of them would replace an input or, without --force, an existing file.
#ifndef POSALIGN_HOST_PLUGIN_RUN_OUTPUT_PLAN_H
#define POSALIGN_HOST_PLUGIN_RUN_OUTPUT_PLAN_H

#include <string>
#include <vector>

#include "host/plugin_run/input_documents.h"
#include "host/output_files/output_files.h"

// The log file's name in the output folder.
const char kLogFileName[] = "posalign.log";

// The report's name in the output folder.
const char kReportFileName[] = "report.html";


// Output names a run with these documents may produce for a mapping (0: not yet known, every mapping's):
// the log, the painted anatomical, and the functionals the mapping saves, images with niftiEnding(
// compression), and the report when withReport. Window pictures are not listed.
std::vector<std::string> expectedOutputNames(const std::vector<DocumentSource>& sources, int mapping,
                                             NiftiCompression compression, bool withReport);

// Window pictures (window-*.png) already in the folder; an old run's pictures would mix with this run's.
std::vector<std::string> existingWindowPictures(const std::string& folder);

// The first reason ("PATH: problem") why the run may not write into folder, or the empty text: an output
// name or path too long to be made, an input or a file not written by an earlier run in the way, or any
// existing output without --force. A folder that does not exist yet is fine.
std::string checkOutputFolder(const std::string& folder, const OutputPolicy& policy,
                              const std::vector<DocumentSource>& sources, int mapping,
                              NiftiCompression compression, bool withReport);

#endif
