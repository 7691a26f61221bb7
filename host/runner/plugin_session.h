// One plug-in session as the host runs it: load the module, read its metadata, create the object,
// initialise it, execute it, delete it, all through the module's plain exports and the object's vtable.
#ifndef POSALIGN_HOST_RUNNER_PLUGIN_SESSION_H
#define POSALIGN_HOST_RUNNER_PLUGIN_SESSION_H

// The host's own view of the plug-in object: only the slot order (destructor, execute, initPlugin) is
// shared with the module. The host never creates one, so nothing here is defined.
class HostPluginObject {
  public:
    virtual ~HostPluginObject();
    virtual bool execute() = 0;
    virtual bool initPlugin() = 0;
};

// How a session ended, as the process exit code.
enum PluginSessionResult {
    kSessionExecuted = 0,      // initPlugin and execute both returned true
    kSessionNotLoaded = 2,     // the module or one of its exports is missing, or createPlugin gave null
    kSessionInitRefused = 3,   // initPlugin returned false (execute is not called)
    kSessionExecuteFailed = 4, // execute returned false
};

// Runs the whole session on the module at path and prints each step and the metadata to stdout, one line
// each. Without callInitPlugin, execute is called on a fresh object straight away (as a host may do). The
// plug-in object is deleted and the module unloaded in every case.
PluginSessionResult runPluginSession(const char* path, bool callInitPlugin);

#endif
