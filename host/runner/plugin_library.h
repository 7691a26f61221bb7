// Loading the plug-in module and finding its exports: LoadLibraryA on Windows, dlopen on Linux.
#ifndef POSALIGN_HOST_RUNNER_PLUGIN_LIBRARY_H
#define POSALIGN_HOST_RUNNER_PLUGIN_LIBRARY_H

typedef void* PluginLibrary;

// Loads the module at path (a file name or a path); null when it cannot be loaded.
PluginLibrary loadPluginLibrary(const char* path);

// The address the module exports under name, or null.
void* findPluginExport(PluginLibrary library, const char* name);

// Unloads the module; null is allowed.
void unloadPluginLibrary(PluginLibrary library);

#endif
