// Giving finished files their final names without ever replacing something the program did not expect
// there: a free name stays free for others, and a name is only taken back from the file that was found.
#ifndef POSALIGN_HOST_OUTPUT_FILES_FILE_MOVES_H
#define POSALIGN_HOST_OUTPUT_FILES_FILE_MOVES_H

#include <sys/types.h>

#include <string>

// Which file sits at a name (not following a link).
struct FileId {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
};

// What is at path now; exists is false when nothing is (or it cannot be looked at).
FileId identifyFile(const std::string& path);

// True when both name the same existing file.
bool isSameFile(const FileId& a, const FileId& b);

// Gives the file at from the name to, only while to is free (a link there counts as taken). False with
// errno set (EEXIST when to is taken); from is then left where it was.
bool placeAtFreeName(const std::string& from, const std::string& to);

// placeAtFreeName through link() and unlink(), for file systems that cannot rename without replacing.
bool placeByLink(const std::string& from, const std::string& to);

enum class TakeAside {
    kTaken,      // the expected file now sits at aside
    kGone,       // nothing was at path
    kUnexpected, // another file was at path and has been left there
    kFailed,     // errno says why; an unexpected file may remain at aside
};

// Moves the file at path to aside (a free name in a private folder) when it is the expected one; anything
// else found there is put back.
TakeAside takeAside(const std::string& path, const std::string& aside, const FileId& expected);

#endif
