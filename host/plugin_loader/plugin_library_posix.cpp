// Plug-in module loading with dlopen, for Zentrovis and the Linux twins of the Windows hosts.
#include "host/plugin_loader/plugin_library.h"

#include <dlfcn.h>

PluginLibrary loadPluginLibrary(const char* path) {
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

const char* pluginLibraryError(void) {
    const char* reason = dlerror();
    return reason != 0 ? reason : "unknown reason";
}

void* findPluginExport(PluginLibrary library, const char* name) {
    return library == 0 ? 0 : dlsym(library, name);
}

void unloadPluginLibrary(PluginLibrary library) {
    if (library != 0) {
        dlclose(library);
    }
}
