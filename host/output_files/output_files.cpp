// Output rules, and one run's outputs staged in a private folder and moved into place together.
#include "host/output_files/output_files.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>

#include "host/nifti/new_file.h"
#include "host/output_files/file_moves.h"
#include "host/output_files/staging_owner.h"

namespace {

// The current run's staged files and made folders, for the signal handler (which may only use
// async-signal-safe calls, so everything lives in fixed arrays).
const int kMaxStagedFiles = 1024;
const int kMaxMadeFolders = 8;
const int kPathCapacity = 4096;
char gStaging[kPathCapacity];
char gStagedNames[kMaxStagedFiles][16];
volatile sig_atomic_t gStagedCount = 0;
char gMadeFolders[kMaxMadeFolders][kPathCapacity];
volatile sig_atomic_t gMadeFolderCount = 0;
volatile sig_atomic_t gRunActive = 0;

// Removes what the registered run left (async-signal-safe).
void removeRegisteredRun() {
    if (gRunActive) {
        gRunActive = 0;
        char path[kPathCapacity + 32];
        for (int i = 0; i < gStagedCount; ++i) {
            strcpy(path, gStaging);
            strcat(path, "/");
            strcat(path, gStagedNames[i]);
            unlink(path);
        }
        strcpy(path, gStaging);
        strcat(path, "/record");
        unlink(path);
        rmdir(gStaging);
        for (int i = gMadeFolderCount - 1; i >= 0; --i) {
            rmdir(gMadeFolders[i]);
        }
    }
}

void removeRunAndDie(int signalNumber) {
    removeRegisteredRun();
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The ending (last extension, and the one before a ".gz") of a file name; empty when it has none.
std::string fileEnding(const std::string& name) {
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0) {
        return "";
    }
    if (name.compare(dot, std::string::npos, ".gz") == 0) {
        size_t before = name.find_last_of('.', dot - 1);
        if (before != std::string::npos && before > 0) {
            dot = before;
        }
    }
    return name.substr(dot);
}


bool isInput(const OutputPolicy& policy, const struct stat& output) {
    for (const std::string& input : policy.inputPaths) {
        struct stat in;
        if (stat(input.c_str(), &in) == 0 && sameFile(in, output)) {
            return true;
        }
    }
    return false;
}

std::string joinLines(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += name + "\n";
    }
    return text;
}

// Writes the output record through the private folder and renames it into place; written tells which
// file the record now is.
std::string writeOutputRecord(OutputRun& run, const std::vector<std::string>& names,
                              FileId* written = nullptr) {
    std::string record = run.folder + "/" + kOutputRecordName;
    struct stat info;
    if (lstat(record.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        return record + ": exists and is not a regular file";
    }
    std::string staged = run.staging + "/record";
    unlink(staged.c_str());
    std::string problem = writeTextFile(staged, joinLines(names));
    if (written != nullptr) {
        *written = identifyFile(staged);
    }
    if (problem.empty() && rename(staged.c_str(), record.c_str()) != 0) {
        problem = std::string("could not be put in place: ") + strerror(errno);
    }
    if (!problem.empty()) {
        unlink(staged.c_str());
        return record + ": " + problem;
    }
    return "";
}

// Empty when the file found at path (output) may be replaced under the policy; else the reason.
std::string checkFoundOutput(const OutputPolicy& policy, const std::string& path, const struct stat& output) {
    if (isInput(policy, output)) {
        return "is one of the input files and is never overwritten";
    }
    if (!S_ISREG(output.st_mode)) {
        return "exists and is not a regular file";
    }
    if (!policy.force) {
        return "exists already (use --force to replace it)";
    }
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (policy.onlyRecorded &&
        std::find(policy.recorded.begin(), policy.recorded.end(), name) == policy.recorded.end()) {
        return "exists and was not written by a run into this folder, so it is left alone (remove it or "
               "choose another output folder)";
    }
    return "";
}

// One final name's part in a commit: the file taken from it (kept aside until the commit is sure) and
// whether this run's file was put there.
struct FinalMove {
    std::string path;
    std::string staged; // empty for an earlier output that only leaves
    std::string aside;
    FileId mine;
    bool tookAside = false;
    bool placed = false;
};

bool interruptPending() {
    sigset_t pending;
    return sigpending(&pending) == 0 &&
           (sigismember(&pending, SIGINT) || sigismember(&pending, SIGTERM) || sigismember(&pending, SIGHUP));
}

// Empty text when move's name now holds this run's file (or, for a leaving output, nothing of the
// earlier run); else "PATH: reason".
std::string makeMove(FinalMove& move, const FileId& expected) {
    if (expected.exists) {
        switch (takeAside(move.path, move.aside, expected)) {
        case TakeAside::kTaken:
            move.tookAside = true;
            break;
        case TakeAside::kGone:
            break;
        case TakeAside::kUnexpected:
            if (move.staged.empty()) {
                return ""; // a file that replaced an earlier output is not the program's to remove
            }
            return move.path + ": changed after the outputs were checked, so it is left alone";
        case TakeAside::kFailed:
            return move.path + ": could not be replaced: " + strerror(errno);
        }
    }
    if (move.staged.empty()) {
        return "";
    }
    if (!placeAtFreeName(move.staged, move.path)) {
        return move.path + (errno == EEXIST ? ": appeared after the outputs were checked, so it is left alone"
                                            : std::string(": could not be put in place: ") + strerror(errno));
    }
    move.placed = true;
    return "";
}

// Undoes the moves made, last first: this run's files go back to the private folder, the files taken
// aside return to their names.
void undoMoves(std::vector<FinalMove>& moves) {
    for (auto move = moves.rbegin(); move != moves.rend(); ++move) {
        if (move->placed) {
            takeAside(move->path, move->staged, move->mine);
        }
        if (move->tookAside) {
            placeAtFreeName(move->aside, move->path);
        }
    }
}

// The commit itself, with the interrupting signals held back.
std::string moveRunIntoPlace(OutputRun& run) {
    std::vector<FinalMove> moves;
    std::vector<FileId> expected;
    std::set<std::string> made(run.names.begin(), run.names.end());
    for (const std::string& old :
         run.policy.onlyRecorded ? run.policy.recorded : std::vector<std::string>{}) {
        std::string path = run.folder + "/" + old;
        struct stat info;
        if (made.count(old) == 0 && lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            !isInput(run.policy, info)) {
            moves.push_back(FinalMove{path, "", "", FileId{}});
            expected.push_back(FileId{true, info.st_dev, info.st_ino});
        }
    }
    for (size_t i = 0; i < run.names.size(); ++i) {
        moves.push_back(FinalMove{run.folder + "/" + run.names[i], run.stagedPaths[i], "",
                                  identifyFile(run.stagedPaths[i])});
        expected.push_back(run.found[i]);
    }
    for (size_t i = 0; i < moves.size(); ++i) {
        char aside[32];
        snprintf(aside, sizeof aside, "/old-%04zu", i);
        moves[i].aside = run.staging + aside;
    }
    std::string problem;
    FileId ourRecord;
    if (run.policy.onlyRecorded) {
        // While the files move, the record names the earlier run's outputs and this run's, so that
        // whatever a power loss leaves is known to be the program's.
        std::vector<std::string> both = run.policy.recorded;
        for (const std::string& name : run.names) {
            if (std::find(both.begin(), both.end(), name) == both.end()) {
                both.push_back(name);
            }
        }
        problem = writeOutputRecord(run, both, &ourRecord);
    }
    for (size_t i = 0; problem.empty() && i < moves.size(); ++i) {
        problem = makeMove(moves[i], expected[i]);
    }
    if (problem.empty() && interruptPending()) {
        problem = run.folder + ": interrupted while the outputs were put in place";
    }
    if (!problem.empty()) {
        undoMoves(moves);
        // A record another run has written since is left as that run wrote it.
        std::string record = run.folder + "/" + kOutputRecordName;
        if (run.policy.onlyRecorded && isSameFile(identifyFile(record), ourRecord)) {
            if (run.policy.recorded.empty()) {
                unlink(record.c_str());
            } else {
                writeOutputRecord(run, run.policy.recorded);
            }
        }
        abandonOutputRun(run);
        return problem;
    }
    gRunActive = 0;
    for (const FinalMove& move : moves) {
        if (move.tookAside) {
            unlink(move.aside.c_str());
        }
    }
    if (run.policy.onlyRecorded) {
        // The outputs are in place: should this fail, the record still lists them (with the earlier ones).
        writeOutputRecord(run, run.names);
    }
    rmdir(run.staging.c_str());
    return "";
}

} // namespace

std::vector<std::string> readOutputRecord(const std::string& folder) {
    std::vector<std::string> names;
    std::string path = folder + "/" + kOutputRecordName;
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > (1 << 20)) {
        return names;
    }
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (isPlainOutputName(line)) {
            names.push_back(line);
        }
    }
    return names;
}

bool isPlainOutputName(const std::string& name) {
    return !name.empty() && name[0] != '.' && name.find('/') == std::string::npos &&
           name.size() <= kMaxOutputNameLength;
}

std::string checkOutputAllowed(const OutputPolicy& policy, const std::string& path) {
    struct stat output;
    return lstat(path.c_str(), &output) != 0 ? "" : checkFoundOutput(policy, path, output);
}

std::string writeTextFile(const std::string& path, const std::string& text) {
    int descriptor = createNewFile(path);
    FILE* file = descriptor < 0 ? nullptr : fdopen(descriptor, "wb");
    if (file == nullptr) {
        std::string reason = strerror(errno);
        if (descriptor >= 0) {
            close(descriptor);
        }
        return "cannot be created: " + reason;
    }
    bool ok = fwrite(text.data(), 1, text.size(), file) == text.size() && fflush(file) == 0;
    std::string reason = ok ? "" : strerror(errno);
    if (fclose(file) != 0 && ok) {
        ok = false;
        reason = strerror(errno);
    }
    return ok ? "" : "could not be written completely: " + reason;
}

std::string beginOutputRun(const std::string& folder, const OutputPolicy& policy, OutputRun& run) {
    run = OutputRun();
    run.folder = folder;
    run.policy = policy;
    // Each missing folder on the way is made here, so that exactly those are removed again on failure.
    for (size_t at = folder.find('/', 1);; at = folder.find('/', at + 1)) {
        std::string prefix = folder.substr(0, at);
        if (mkdir(prefix.c_str(), 0777) == 0) {
            run.createdFolders.push_back(prefix);
        } else if (errno != EEXIST) {
            std::string reason = strerror(errno);
            abandonOutputRun(run);
            return prefix + ": cannot be created: " + reason;
        }
        if (at == std::string::npos) {
            break;
        }
    }
    struct stat info;
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        abandonOutputRun(run);
        return folder + ": is not a folder";
    }
    // What runs killed outright left here is removed first (only folders whose owner has ended).
    removeAbandonedStaging(folder);
    std::string pattern = stagingFolderPattern(folder);
    if (pattern.size() + 32 >= static_cast<size_t>(kPathCapacity)) {
        abandonOutputRun(run);
        return folder + ": has too long a path";
    }
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) {
        std::string reason = strerror(errno);
        abandonOutputRun(run);
        return folder + ": cannot be written: " + reason;
    }
    run.staging = name.data();
    gRunActive = 0;
    memcpy(gStaging, run.staging.c_str(), run.staging.size() + 1);
    gStagedCount = 0;
    gMadeFolderCount = 0;
    for (const std::string& made : run.createdFolders) {
        if (gMadeFolderCount < kMaxMadeFolders && made.size() < static_cast<size_t>(kPathCapacity)) {
            memcpy(gMadeFolders[gMadeFolderCount], made.c_str(), made.size() + 1);
            gMadeFolderCount = gMadeFolderCount + 1;
        }
    }
    gRunActive = 1;
    return "";
}

std::string reserveOutput(OutputRun& run, const std::string& name, std::string& stagedPath) {
    if (std::find(run.names.begin(), run.names.end(), name) != run.names.end()) {
        return "was already written in this run";
    }
    if (run.names.size() >= static_cast<size_t>(kMaxStagedFiles)) {
        return "is one output too many for one run";
    }
    // What holds the name now is all the commit may replace; anything else found there then is left alone.
    std::string path = run.folder + "/" + name;
    struct stat info;
    FileId found;
    if (lstat(path.c_str(), &info) == 0) {
        std::string problem = checkFoundOutput(run.policy, path, info);
        if (!problem.empty()) {
            return problem;
        }
        found = FileId{true, info.st_dev, info.st_ino};
    }
    std::string ending = fileEnding(name);
    char stagedName[16];
    snprintf(stagedName, sizeof stagedName, "%04zu%s", run.names.size(),
             ending.size() <= 8 ? ending.c_str() : "");
    memcpy(gStagedNames[gStagedCount], stagedName, sizeof stagedName);
    gStagedCount = gStagedCount + 1;
    stagedPath = run.staging + "/" + stagedName;
    run.names.push_back(name);
    run.stagedPaths.push_back(stagedPath);
    run.found.push_back(found);
    return "";
}

std::string stageOutput(OutputRun& run, const std::string& name,
                        const std::function<std::string(const std::string& stagedPath)>& writeTo) {
    std::string stagedPath;
    std::string problem = reserveOutput(run, name, stagedPath);
    return problem.empty() ? writeTo(stagedPath) : problem;
}

std::string commitOutputRun(OutputRun& run) {
    // Signals that would end the program wait until every output is in place or every move is undone;
    // one that arrived meanwhile undoes the moves, then ends the program as usual.
    sigset_t interrupts, previous;
    sigemptyset(&interrupts);
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&interrupts, signalNumber);
    }
    pthread_sigmask(SIG_BLOCK, &interrupts, &previous);
    std::string problem = moveRunIntoPlace(run);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return problem;
}

void abandonOutputRun(OutputRun& run) {
    gRunActive = 0;
    for (const std::string& staged : run.stagedPaths) {
        unlink(staged.c_str());
    }
    if (!run.staging.empty()) {
        unlink((run.staging + "/record").c_str());
        rmdir(run.staging.c_str());
    }
    for (auto made = run.createdFolders.rbegin(); made != run.createdFolders.rend(); ++made) {
        rmdir(made->c_str());
    }
    run.stagedPaths.clear();
    run.names.clear();
    run.found.clear();
    run.createdFolders.clear();
}

void abandonCurrentOutputRun() {
    removeRegisteredRun();
}

void installRunCleanup() {
    signal(SIGINT, removeRunAndDie);
    signal(SIGTERM, removeRunAndDie);
    signal(SIGHUP, removeRunAndDie);
    signal(SIGPIPE, SIG_IGN);
}
