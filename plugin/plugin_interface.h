// The plug-in object the host creates through createPlugin and calls through its virtual slots.
//
// The slot order (destructor, execute, initPlugin) is the host's interface and must not change. Neither class
// has data: a run keeps everything in the process-wide host table or in its own locals.
#ifndef POSALIGN_PLUGIN_PLUGIN_INTERFACE_H
#define POSALIGN_PLUGIN_PLUGIN_INTERFACE_H

#include "plugin/export.h"

class POSALIGN_EXPORT ZVZRPluginInterface {
  public:
    ZVZRPluginInterface();
    ZVZRPluginInterface(const ZVZRPluginInterface& other);
    ZVZRPluginInterface& operator=(const ZVZRPluginInterface& other);
    virtual ~ZVZRPluginInterface();

    // True when a run was carried out to its end; false when it stopped at the binding, the version gate
    // or the document check.
    virtual bool execute() = 0;

    // True when the plug-in can run on this host (functions bound, version high enough).
    virtual bool initPlugin() = 0;
};

class POSALIGN_EXPORT posalignplugin : public ZVZRPluginInterface {
  public:
    posalignplugin();
    ~posalignplugin() override;
    bool execute() override;
    bool initPlugin() override;
};

#endif
