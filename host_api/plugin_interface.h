// The plug-in object as the host sees it: created through createPlugin, called through its virtual slots.
//
// The slot order (destructor, execute, initPlugin) is the host's interface and must not change. Neither class
// has data: a run keeps everything in the process-wide host table or in its own locals.
#ifndef POSALIGN_HOST_API_PLUGIN_INTERFACE_H
#define POSALIGN_HOST_API_PLUGIN_INTERFACE_H

#include "host_api/module_export.h"

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

#endif
