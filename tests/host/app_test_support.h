// Shared helpers of the stand-in host's tests: scratch folders, small NIfTI fixtures written in code, and
// running the Zentrovis program as a child process.
#ifndef POSALIGN_TESTS_HOST_APP_TEST_SUPPORT_H
#define POSALIGN_TESTS_HOST_APP_TEST_SUPPORT_H

#include <string>
#include <vector>

#include "host/nifti/nifti_file.h"

// A fresh empty folder under the system's temporary folder, removed with everything in it on destruction.
struct ScratchFolder {
    std::string path;
    ScratchFolder();
    ~ScratchFolder();
    std::string file(const std::string& name) const { return path + "/" + name; }
};

// Names of the entries in a folder, sorted; empty when the folder does not exist.
std::vector<std::string> folderEntries(const std::string& folder);

// Every entry of a folder with what it holds (a link's target, a file's bytes), one line each, but for the
// entry at the path skipped.
std::string folderSnapshot(const std::string& folder, const std::string& skipped);

bool fileExists(const std::string& path);
void writeBytesForTest(const std::string& path, const std::string& bytes);
void writeTextFileForTest(const std::string& path); // a few lines of plain text
std::string readTextFile(const std::string& path);

// The compression a file name asks for: gzip (fast) for ".gz", none otherwise.
NiftiCompression compressionForName(const std::string& path);
// While it lives, files of this process cannot grow beyond bytes (writes fail with "File too large"), as
// on a disk that fills up.
struct FileSizeLimit {
    explicit FileSizeLimit(long bytes);
    ~FileSizeLimit();
    long previous[2];
};

// An affine (row-major) with the given voxel sizes and the grid centre at the scanner origin.
std::vector<double> centredAffine(int nx, int ny, int nz, double sx, double sy, double sz);

// Geometry fields for an affine: sform (code 1) and a pixdim diagonal from the voxel sizes.
NiftiGeometry sformGeometry(const std::vector<double>& affine, const float voxelSize[3]);

// Writes a small anatomical: a bright sphere on a dim background, float samples, 2 mm voxels.
void writeAnatomicalFixture(const std::string& path, int size);

// Writes a small functional (12x12x8) with the given number of volumes of int16 or float samples, 4 mm
// voxels, covering the middle of the anatomical; shiftMm moves its centre along x.
void writeFunctionalFixture(const std::string& path, int volumes, float shiftMm, bool asFloat = false);

// The outcome of a child process run.
struct ProgramRun {
    int exitStatus = -1; // -1 when it did not exit normally
    std::string out, err;
};

// Runs Zentrovis with args, stdin fed from stdinText (not a terminal), and waits for it.
ProgramRun runZentrovis(const std::vector<std::string>& args, const std::string& stdinText = "");

// exitStatus of runZentrovisOnTerminal when this machine cannot open a pseudo-terminal.
const int kNoTerminal = -2;

// Runs Zentrovis on a pseudo-terminal, typing each answer after the program has shown "]: " for it; returns
// everything it printed on the terminal.
ProgramRun runZentrovisOnTerminal(const std::vector<std::string>& args,
                                  const std::vector<std::string>& answers);

#endif
