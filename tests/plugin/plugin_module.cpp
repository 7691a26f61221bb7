// Loading the plug-in module with dlopen and looking up its plain-named exports.
#include "tests/plugin/plugin_module.h"

#include <dlfcn.h>
#include <stdio.h>

namespace {

template <typename Function> Function lookUp(void* handle, const char* name) {
    void* address = dlsym(handle, name);
    if (address == nullptr) {
        fprintf(stderr, "plug-in module does not export %s\n", name);
    }
    return reinterpret_cast<Function>(address);
}

} // namespace

const PluginModule& loadPluginModule(const char* path) {
    static PluginModule module = {};
    if (module.handle != nullptr) {
        return module;
    }
    // Like a host: the module's own symbols stay local, every reference is resolved at load.
    module.handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (module.handle == nullptr) {
        fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
        return module;
    }
    module.createPlugin = lookUp<CreatePluginFunction>(module.handle, "createPlugin");
    module.getPluginName = lookUp<TextFunction>(module.handle, "getPluginName");
    module.getPluginDescription = lookUp<TextFunction>(module.handle, "getPluginDescription");
    module.getAuthor = lookUp<TextFunction>(module.handle, "getAuthor");
    module.getHelpFile = lookUp<TextFunction>(module.handle, "getHelpFile");
    module.getGUIScript = lookUp<TextFunction>(module.handle, "getGUIScript");
    module.getPluginVersion = lookUp<TextFunction>(module.handle, "getPluginVersion");
    return module;
}

#ifdef POSALIGN_MODULE_PATH
const PluginModule& builtPluginModule() {
    return loadPluginModule(POSALIGN_MODULE_PATH);
}
#endif
