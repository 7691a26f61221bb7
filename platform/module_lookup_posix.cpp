// POSIX stand-in for the Windows module lookup: the host is the main program or an already loaded shared
// object, and names are resolved with dlsym.
#include "platform/module_lookup.h"

#include <dlfcn.h>
#include <string.h>
#include <unistd.h>

// The file name of the running program, from /proc/self/exe; empty when it cannot be read.
static void readMainProgramFileName(char* out, size_t capacity) {
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    out[0] = '\0';
    if (length <= 0) {
        return;
    }
    path[length] = '\0';
    const char* slash = strrchr(path, '/');
    const char* fileName = slash != 0 ? slash + 1 : path;
    if (strlen(fileName) < capacity) {
        strcpy(out, fileName);
    }
}

static bool namesMainProgram(const char* moduleFileName) {
    char programName[1024];
    readMainProgramFileName(programName, sizeof programName);
    if (programName[0] == '\0') {
        return false;
    }
    if (strcmp(programName, moduleFileName) == 0) {
        return true;
    }
    // "X.exe" also names a program whose file name is plain X.
    size_t nameLength = strlen(moduleFileName);
    static const char kExe[] = ".exe";
    size_t exeLength = sizeof kExe - 1;
    return nameLength > exeLength && strcmp(moduleFileName + nameLength - exeLength, kExe) == 0 &&
           strlen(programName) == nameLength - exeLength &&
           strncmp(programName, moduleFileName, nameLength - exeLength) == 0;
}

ModuleHandle findLoadedModule(const char* moduleFileName) {
    if (namesMainProgram(moduleFileName)) {
        // The main program's own handle; lookups through it see the symbols the program exports.
        return dlopen(0, RTLD_NOW);
    }
    // RTLD_NOLOAD only finds an object that is already loaded; it never loads one. The reference it takes
    // keeps the object loaded for as long as the bound table may point into it.
    return dlopen(moduleFileName, RTLD_NOW | RTLD_NOLOAD);
}

void* resolveModuleSymbol(ModuleHandle module, const char* name) {
    if (module == 0) {
        return 0;
    }
    return dlsym(module, name);
}
