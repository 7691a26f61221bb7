// The host's side of a plug-in session, shared by the Windows host and its Linux twin.
#include "host/runner/plugin_session.h"

#include <stdio.h>

#include "host/plugin_loader/plugin_library.h"

typedef const char* (*MetadataFunction)(void);
typedef HostPluginObject* (*CreateFunction)(void);

// The metadata exports in the order the host shows them.
static const char* const kMetadataExports[] = {"getPluginName",        "getPluginVersion", "getAuthor",
                                               "getPluginDescription", "getHelpFile",      "getGUIScript"};

// Prints every metadata text; false when an export is missing.
static bool printMetadata(PluginLibrary library) {
    for (const char* name : kMetadataExports) {
        MetadataFunction function = reinterpret_cast<MetadataFunction>(findPluginExport(library, name));
        if (function == 0) {
            printf("missing export: %s\n", name);
            return false;
        }
        printf("%s: \"%s\"\n", name, function());
    }
    // The two names of one function must lead to one address.
    bool sameFunction = findPluginExport(library, "getGUIScript") == findPluginExport(library, "getHelpFile");
    printf("getGUIScript is getHelpFile: %s\n", sameFunction ? "yes" : "no");
    return true;
}

static PluginSessionResult runPluginObject(HostPluginObject* plugin, bool callInitPlugin) {
    if (callInitPlugin) {
        bool initialised = plugin->initPlugin();
        printf("initPlugin: %s\n", initialised ? "true" : "false");
        if (!initialised) {
            return kSessionInitRefused;
        }
    }
    bool executed = plugin->execute();
    printf("execute: %s\n", executed ? "true" : "false");
    return executed ? kSessionExecuted : kSessionExecuteFailed;
}

PluginSessionResult runPluginSession(const char* path, bool callInitPlugin) {
    PluginLibrary library = loadPluginLibrary(path);
    if (library == 0) {
        printf("cannot load plug-in module: %s\n", path);
        return kSessionNotLoaded;
    }
    // The path differs between platforms, so the trace leaves it out.
    printf("loaded plug-in module\n");
    PluginSessionResult result = kSessionNotLoaded;
    CreateFunction create = reinterpret_cast<CreateFunction>(findPluginExport(library, "createPlugin"));
    if (!printMetadata(library)) {
        // reported by printMetadata
    } else if (create == 0) {
        printf("missing export: createPlugin\n");
    } else {
        HostPluginObject* plugin = create();
        printf("createPlugin: %s\n", plugin != 0 ? "object" : "null");
        if (plugin != 0) {
            result = runPluginObject(plugin, callInitPlugin);
            // The module's own deleting destructor, through slot 0.
            delete plugin;
            printf("deleted\n");
        }
    }
    unloadPluginLibrary(library);
    return result;
}
