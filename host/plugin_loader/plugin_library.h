// Loading the plug-in module and finding its exports: LoadLibraryA on Windows, dlopen on Linux. The one
// loader of every host program (C library only: the Windows hosts have no C++ runtime).
#ifndef POSALIGN_HOST_PLUGIN_LOADER_PLUGIN_LIBRARY_H
#define POSALIGN_HOST_PLUGIN_LOADER_PLUGIN_LIBRARY_H

typedef void* PluginLibrary;

// Loads the module at path (a file name or a path); null when it cannot be loaded.
PluginLibrary loadPluginLibrary(const char* path);

// Why the last loadPluginLibrary of this thread failed, as the system says it; never null.
const char* pluginLibraryError(void);

// The address the module exports under name, or null.
void* findPluginExport(PluginLibrary library, const char* name);

// Unloads the module; null is allowed.
void unloadPluginLibrary(PluginLibrary library);

#endif
