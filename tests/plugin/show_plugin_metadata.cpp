// Loads a plug-in module the way the host does and prints what it tells the host about itself.
//
// Usage: show_plugin_metadata <path of posalign.so>
#include <stdio.h>

#include "plugin_module.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s <plug-in module>\n", argv[0]);
        return 2;
    }
    const PluginModule& module = loadPluginModule(argv[1]);
    if (module.handle == nullptr || module.getPluginName == nullptr || module.getPluginVersion == nullptr ||
        module.getPluginDescription == nullptr || module.getAuthor == nullptr) {
        return 1;
    }
    printf("Name:        %s\n", module.getPluginName());
    printf("Version:     %s\n", module.getPluginVersion());
    printf("Description: %s\n", module.getPluginDescription());
    printf("Author:      %s\n", module.getAuthor());
    return 0;
}
