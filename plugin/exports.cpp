// The module's plain-named exports.
#include "plugin/exports.h"
#include "plugin/posalign_plugin.h"

// POSALIGN_VERSION is the project's version, set by the build.
static const char kPluginName[] = "posalignplugin (v" POSALIGN_VERSION ")";
static const char kPluginVersion[] = POSALIGN_VERSION;
static const char kEmptyText[] = "";
static const char kAuthor[] = "<i>Mara Lindqvist and Tomas Revel, Posalign Imaging Tools, 2025-2026</i>";
static const char kPluginDescription[] =
    "~~~ posalign plugin ~~~.<BR>Plugin to check the position information and alignment of FMR and VMR.<P>"
    "For the POSALIGN option (1), distance measures sum of square differences (SSD) and normalised "
    "cross-correlation (NCC) are provided for the overlapping parts. For NCC see Yoo JC, Han TH (2009): "
    "Fast normalized cross-correlation. Circuits, Systems and Signal Processing 28(6), 819-843.";

extern "C" {

ZVZRPluginInterface* createPlugin(void) {
    return new posalignplugin();
}

const char* getPluginName(void) {
    return kPluginName;
}

const char* getPluginDescription(void) {
    return kPluginDescription;
}

const char* getAuthor(void) {
    return kAuthor;
}

const char* getHelpFile(void) {
    return kEmptyText;
}

const char* getPluginVersion(void) {
    return kPluginVersion;
}

#if !defined(_WIN32)
// The second name of getHelpFile. On Windows the module-definition file exports it instead.
const char* getGUIScript(void) __attribute__((alias("getHelpFile")));
#endif
}
