// The module's plain-named exports: the factory and the metadata texts.
#ifndef POSALIGN_PLUGIN_EXPORTS_H
#define POSALIGN_PLUGIN_EXPORTS_H

#include "host_api/module_export.h"
#include "host_api/plugin_interface.h"

extern "C" {
// A new plug-in object on the heap; the host owns it and deletes it through the virtual destructor.
POSALIGN_EXPORT ZVZRPluginInterface* createPlugin(void);
// Constant texts that live as long as the module; the host must not free or change them.
POSALIGN_EXPORT const char* getPluginName(void);
POSALIGN_EXPORT const char* getPluginDescription(void);
POSALIGN_EXPORT const char* getAuthor(void);
// The empty text; also exported as getGUIScript (one function, one address).
POSALIGN_EXPORT const char* getHelpFile(void);
POSALIGN_EXPORT const char* getPluginVersion(void);
#if !defined(_WIN32)
POSALIGN_EXPORT const char* getGUIScript(void);
#endif
}

#endif
