// Plug-in module loading through the system's own functions, declared here as the cross build does not
// use windows.h.
#include "host/plugin_loader/plugin_library.h"

extern "C" {
__declspec(dllimport) void* __stdcall LoadLibraryA(const char* fileName);
__declspec(dllimport) void* __stdcall GetProcAddress(void* module, const char* procName);
__declspec(dllimport) int __stdcall FreeLibrary(void* module);
}

PluginLibrary loadPluginLibrary(const char* path) {
    return LoadLibraryA(path);
}

const char* pluginLibraryError(void) {
    return "LoadLibraryA failed";
}

void* findPluginExport(PluginLibrary library, const char* name) {
    return library == 0 ? 0 : GetProcAddress(library, name);
}

void unloadPluginLibrary(PluginLibrary library) {
    if (library != 0) {
        FreeLibrary(library);
    }
}
