// Plug-in module loading with dlopen, for the Linux twin of the Windows host.
#include "host/runner/plugin_library.h"

#include <dlfcn.h>

PluginLibrary loadPluginLibrary(const char* path) {
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

void* findPluginExport(PluginLibrary library, const char* name) {
    return library == 0 ? 0 : dlsym(library, name);
}

void unloadPluginLibrary(PluginLibrary library) {
    if (library != 0) {
        dlclose(library);
    }
}
