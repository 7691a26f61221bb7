// Output rules and atomic writing through a temporary file and rename.
#include "host/app/output_files.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The temporary file being written, for the signal handler (which may only use async-signal-safe calls).
char gTemporaryPath[4096];
volatile sig_atomic_t gTemporaryActive = 0;

void removeTemporaryAndDie(int signalNumber) {
    if (gTemporaryActive) {
        unlink(gTemporaryPath);
    }
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

// A hidden name next to path that keeps path's ending, since writers choose the format (compressed or
// not, and the kind of file) from the name they are given.
std::string temporaryPathFor(const std::string& path) {
    static unsigned counter = 0;
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string ending = fileEnding(name);
    std::string base = name.substr(0, name.size() - ending.size());
    return folder + "." + base + ".part-" + std::to_string(getpid()) + "-" + std::to_string(++counter) +
           ending;
}

} // namespace

std::string checkOutputAllowed(const OutputPolicy& policy, const std::string& path) {
    struct stat output;
    if (lstat(path.c_str(), &output) != 0) {
        return "";
    }
    for (const std::string& input : policy.inputPaths) {
        struct stat in;
        if (stat(input.c_str(), &in) == 0 && sameFile(in, output)) {
            return "is one of the input files and is never overwritten";
        }
    }
    if (!S_ISREG(output.st_mode)) {
        return "exists and is not a regular file";
    }
    if (!policy.force) {
        return "exists already (use --force to replace it)";
    }
    return "";
}

std::string writeFileAtomically(const std::string& path,
                                const std::function<std::string(const std::string& temporaryPath)>& writeTo) {
    std::string temporary = temporaryPathFor(path);
    if (temporary.size() >= sizeof gTemporaryPath) {
        return "has too long a path";
    }
    memcpy(gTemporaryPath, temporary.c_str(), temporary.size() + 1);
    gTemporaryActive = 1;
    std::string error = writeTo(temporary);
    if (error.empty() && rename(temporary.c_str(), path.c_str()) != 0) {
        error = std::string("could not be put in place: ") + strerror(errno);
    }
    if (!error.empty()) {
        unlink(temporary.c_str());
    }
    gTemporaryActive = 0;
    return error;
}

std::string writeTextFile(const std::string& path, const std::string& text) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return std::string("cannot be created: ") + strerror(errno);
    }
    bool ok = fwrite(text.data(), 1, text.size(), file) == text.size();
    ok = fflush(file) == 0 && ok;
    ok = fclose(file) == 0 && ok;
    return ok ? "" : "could not be written completely";
}

std::string writeTextFileAtomically(const std::string& path, const std::string& text) {
    return writeFileAtomically(
        path, [&text](const std::string& temporary) { return writeTextFile(temporary, text); });
}

void installTemporaryFileCleanup() {
    signal(SIGINT, removeTemporaryAndDie);
    signal(SIGTERM, removeTemporaryAndDie);
    signal(SIGHUP, removeTemporaryAndDie);
}
