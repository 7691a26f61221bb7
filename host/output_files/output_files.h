// Where the host may write, and how: one run's outputs are written into a private hidden folder inside
// the output folder and moved into place together once the run has succeeded. After a failure or an
// interrupt nothing of the run remains; a file the program did not write is never replaced or removed.
#ifndef POSALIGN_HOST_OUTPUT_FILES_OUTPUT_FILES_H
#define POSALIGN_HOST_OUTPUT_FILES_OUTPUT_FILES_H

#include <functional>
#include <string>
#include <vector>

#include "host/nifti/new_file.h"
#include "host/output_files/file_moves.h"

// The hidden file in an output folder that lists the outputs of the run last put there, one name a line.
const char kOutputRecordName[] = ".zentrovis-outputs";

// Longest file name and path an output may have (the limits of common Linux file systems).
const size_t kMaxOutputNameLength = 255;
const size_t kMaxOutputPathLength = 4000;

// True when name may be an output in a folder: not empty, not hidden, no folder parts, at most
// kMaxOutputNameLength characters.
bool isPlainOutputName(const std::string& name);

// The rules a run writes under.
struct OutputPolicy {
    bool force = false;                  // an earlier run's outputs may be replaced
    std::vector<std::string> inputPaths; // never written, whatever force says
    bool onlyRecorded = false;           // true: force replaces only the names in recorded, and the
                                         // run keeps the folder's record
    std::vector<std::string> recorded;   // names the earlier run in the folder wrote (its output record)
};

// The names in folder's output record; empty when there is none. Only plain names are taken.
std::vector<std::string> readOutputRecord(const std::string& folder);

// Empty when path may be written under the policy; else the reason (without the path).
std::string checkOutputAllowed(const OutputPolicy& policy, const std::string& path);

// Writes a new text file (created with createNewFile); empty text on success, else the reason.
std::string writeTextFile(const std::string& path, const std::string& text);

// One run's outputs on their way into the output folder.
struct OutputRun {
    std::string folder;                      // the output folder
    std::string staging;                     // the private folder inside it
    std::vector<std::string> createdFolders; // folders this run made, outermost first
    std::vector<std::string> names;          // final names, in the order they were staged
    std::vector<std::string> stagedPaths;    // where each is written meanwhile
    std::vector<FileId> found;               // what held each final name when it was reserved
    OutputPolicy policy;
};

// Makes the output folder (and missing parents) and the private folder; empty text on success, else
// "PATH: reason", and nothing is left behind.
std::string beginOutputRun(const std::string& folder, const OutputPolicy& policy, OutputRun& run);

// Registers an output name and gives the staged path its writer must create (it keeps the name's ending,
// since writers choose the format from it). The file now at the name, if the policy lets it be replaced,
// is the only one the commit will replace. Empty text on success, else the reason.
std::string reserveOutput(OutputRun& run, const std::string& name, std::string& stagedPath);

// Reserves name and lets writeTo create and fill its staged file. Empty text on success, else the reason.
std::string stageOutput(OutputRun& run, const std::string& name,
                        const std::function<std::string(const std::string& stagedPath)>& writeTo);

// Puts every staged output in place, removes the outputs of the earlier run that this run did not make
// again, and records this run's names: all of it or, on a failure or an interrupt, none of it (the folder
// is left as it was). A name is never taken over a file that appeared or changed since it was reserved.
// Empty text on success, else "PATH: reason". Interrupts are held back only in the calling thread.
std::string commitOutputRun(OutputRun& run);

// Removes everything of the run: staged files, the private folder, and folders the run made.
void abandonOutputRun(OutputRun& run);

// Removes everything of the run begun last and not yet committed or abandoned, from what was registered
// for the signal handler (for when its OutputRun is out of reach).
void abandonCurrentOutputRun();

// Has an interrupt, hang-up or termination remove everything of the current run before the process ends,
// and keeps a closed standard output (SIGPIPE) from ending it.
void installRunCleanup();

#endif
