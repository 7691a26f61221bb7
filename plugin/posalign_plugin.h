// The plug-in's own class: what createPlugin makes for the host.
#ifndef POSALIGN_PLUGIN_POSALIGN_PLUGIN_H
#define POSALIGN_PLUGIN_POSALIGN_PLUGIN_H

#include "host_api/plugin_interface.h"

class POSALIGN_EXPORT posalignplugin : public ZVZRPluginInterface {
  public:
    posalignplugin();
    ~posalignplugin() override;
    bool execute() override;
    bool initPlugin() override;
};

#endif
