// The plug-in object: both operations start by binding the host and passing the version gate.
#include "plugin/posalign_plugin.h"

#include "command/command_run.h"
#include "host_api/host_function_table.h"

ZVZRPluginInterface::ZVZRPluginInterface() {}
ZVZRPluginInterface::ZVZRPluginInterface(const ZVZRPluginInterface&) {}
ZVZRPluginInterface& ZVZRPluginInterface::operator=(const ZVZRPluginInterface&) {
    return *this;
}
ZVZRPluginInterface::~ZVZRPluginInterface() {}

posalignplugin::posalignplugin() {}
posalignplugin::~posalignplugin() {}

bool posalignplugin::initPlugin() {
    return bindAndCheckHost();
}

bool posalignplugin::execute() {
    // The table is bound afresh on every run, so execute works without an earlier initPlugin.
    if (!bindAndCheckHost()) {
        return false;
    }
    return runPosalignCommand(gHostFunctions, standardRunMemory());
}
