// A host program that exports every host function except the version function: the binding fails, the
// version entry becomes null and the other entries keep what they held.
#include <string.h>

#include <gtest/gtest.h>

#include "host_api/host_function_table.h"
#include "tests/plugin/plugin_module.h"
#include "tests/support/scripted_host.h"

namespace {

TEST(HostWithoutVersion, BindingFailsAndLeavesTheOtherEntriesAlone) {
    ScriptedHost host;
    memset(&gHostFunctions, 0xA5, sizeof gHostFunctions);
    HostFunctionTable before;
    memcpy(&before, &gHostFunctions, sizeof before);
    EXPECT_FALSE(bindHostFunctions());
    EXPECT_EQ(gHostFunctions.zrGetVersionOfZentrovisZR, nullptr);
    const size_t entry = sizeof(void*);
    EXPECT_EQ(memcmp(reinterpret_cast<const char*>(&gHostFunctions) + entry,
                     reinterpret_cast<const char*>(&before) + entry, sizeof before - entry),
              0);
    EXPECT_FALSE(bindAndCheckHost());
    EXPECT_TRUE(host.calls.empty());
}

TEST(HostWithoutVersion, PluginRefusesWithoutAnyHostCall) {
    ScriptedHost host;
    ASSERT_NE(builtPluginModule().handle, nullptr);
    ZVZRPluginInterface* plugin = builtPluginModule().createPlugin();
    ASSERT_NE(plugin, nullptr);
    EXPECT_FALSE(plugin->initPlugin());
    EXPECT_FALSE(plugin->execute());
    delete plugin;
    EXPECT_TRUE(host.calls.empty());
}

} // namespace
