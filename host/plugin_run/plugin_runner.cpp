// The host side of the plug-in's life cycle, through the module's exports and its class interface.
#include "host/plugin_run/plugin_runner.h"

#include <sys/stat.h>
#include <unistd.h>

#include <ostream>

#include "host/plugin_loader/plugin_library.h"
#include "host/terminal/terminal_text.h"
#include "host_api/plugin_interface.h"

namespace {

typedef const char* (*TextExport)(void);

std::string exportedText(void* module, const char* name) {
    TextExport function = reinterpret_cast<TextExport>(findPluginExport(module, name));
    const char* text = function != nullptr ? function() : nullptr;
    return text != nullptr ? text : "(missing)";
}

} // namespace

std::string defaultPluginPath() {
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return "posalign.so";
    }
    path[length] = '\0';
    std::string program(path);
    size_t slash = program.find_last_of('/');
    return program.substr(0, slash + 1) + "posalign.so";
}

std::string loadPlugin(const std::string& modulePath, LoadedPlugin& plugin) {
    struct stat info;
    if (stat(modulePath.c_str(), &info) != 0) {
        return "does not exist";
    }
    // A name without a slash would be searched on the library path; the user means this file.
    std::string path = modulePath.find('/') == std::string::npos ? "./" + modulePath : modulePath;
    PluginLibrary module = loadPluginLibrary(path.c_str());
    if (module == nullptr) {
        return std::string("cannot be loaded as a plug-in module: ") + pluginLibraryError();
    }
    void* create = findPluginExport(module, "createPlugin");
    if (create == nullptr) {
        unloadPluginLibrary(module);
        return "is not a plug-in module (it has no createPlugin export)";
    }
    plugin.module = module;
    plugin.create = reinterpret_cast<ZVZRPluginInterface* (*)(void)>(create);
    return "";
}

PluginOutcome runPluginOnce(const LoadedPlugin& plugin, std::ostream& notes) {
    notes << "Plug-in: "
          << pluginBanner(exportedText(plugin.module, "getPluginName"),
                          exportedText(plugin.module, "getPluginVersion"),
                          exportedText(plugin.module, "getAuthor"))
          << "\n";
    ZVZRPluginInterface* instance = plugin.create();
    if (instance == nullptr) {
        return PluginOutcome::kInitRefused;
    }
    PluginOutcome outcome = PluginOutcome::kInitRefused;
    if (instance->initPlugin()) {
        outcome = instance->execute() ? PluginOutcome::kExecuteTrue : PluginOutcome::kExecuteFalse;
    }
    delete instance;
    return outcome;
}

void unloadPlugin(LoadedPlugin& plugin) {
    unloadPluginLibrary(plugin.module);
    plugin = LoadedPlugin();
}
