// Loading the plug-in module and driving it as the host does: metadata, factory, init, execute, delete.
#ifndef POSALIGN_HOST_PLUGIN_RUN_PLUGIN_RUNNER_H
#define POSALIGN_HOST_PLUGIN_RUN_PLUGIN_RUNNER_H

#include <iosfwd>
#include <string>

class ZVZRPluginInterface;

// How far a plug-in run got.
enum class PluginOutcome {
    kInitRefused,  // initPlugin returned false
    kExecuteFalse, // execute returned false
    kExecuteTrue,  // execute returned true
};

// A loaded module and its factory.
struct LoadedPlugin {
    void* module = nullptr;
    ZVZRPluginInterface* (*create)(void) = nullptr;
};

// The module path used when none is given: posalign.so in the folder of the running program.
std::string defaultPluginPath();

// Loads the module and finds its factory; empty text on success, else the reason (without the path).
std::string loadPlugin(const std::string& modulePath, LoadedPlugin& plugin);

// Reports the module's name, version and author on notes (as plain text), creates the plug-in, initialises
// it, runs execute once and deletes it. The installed host workspace must be ready.
PluginOutcome runPluginOnce(const LoadedPlugin& plugin, std::ostream& notes);

// Unloads the module.
void unloadPlugin(LoadedPlugin& plugin);

#endif
