// The built plug-in module, loaded the way a host loads it, with its exports looked up by name.
#ifndef POSALIGN_TESTS_PLUGIN_PLUGIN_MODULE_H
#define POSALIGN_TESTS_PLUGIN_PLUGIN_MODULE_H

#include "host_api/plugin_interface.h"

typedef ZVZRPluginInterface* (*CreatePluginFunction)(void);
typedef const char* (*TextFunction)(void);

struct PluginModule {
    void* handle;
    CreatePluginFunction createPlugin;
    TextFunction getPluginName;
    TextFunction getPluginDescription;
    TextFunction getAuthor;
    TextFunction getHelpFile;
    TextFunction getGUIScript;
    TextFunction getPluginVersion;
};

// Loads the module at path (once per process; later calls return the same module). Null handle and
// null functions when the module or one of its seven exports is missing.
const PluginModule& loadPluginModule(const char* path);

// The module this test program was built against (POSALIGN_MODULE_PATH).
const PluginModule& builtPluginModule();

#endif
