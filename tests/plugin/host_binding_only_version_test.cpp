// A host program that exports only the version function: the binding succeeds with every other entry
// null, and the plug-in refuses to run because functions it calls are missing.
#include <string.h>

#include <gtest/gtest.h>

#include "host_api/host_function_table.h"
#include "tests/plugin/plugin_module.h"
#include "tests/support/scripted_host.h"

namespace {

TEST(OnlyVersionHost, BindingSucceedsWithEveryOtherEntryNullAndTheGateStopsBeforeAnyCall) {
    ScriptedHost host;
    memset(&gHostFunctions, 0xA5, sizeof gHostFunctions);
    ASSERT_TRUE(bindHostFunctions());
    void* entries[kHostFunctionCount];
    memcpy(entries, &gHostFunctions, sizeof gHostFunctions);
    EXPECT_EQ(entries[0], hostFunctionAddress(0));
    for (int i = 1; i < kHostFunctionCount; ++i) {
        EXPECT_EQ(entries[i], nullptr) << kHostFunctionNames[i];
    }
    EXPECT_FALSE(hasAllCalledHostFunctions());
    EXPECT_FALSE(bindAndCheckHost());
    EXPECT_TRUE(host.calls.empty());
}

TEST(OnlyVersionHost, PluginRefusesToInitialiseOrExecute) {
    ScriptedHost host;
    ASSERT_NE(builtPluginModule().handle, nullptr);
    ZVZRPluginInterface* plugin = builtPluginModule().createPlugin();
    ASSERT_NE(plugin, nullptr);
    EXPECT_FALSE(plugin->initPlugin());
    EXPECT_FALSE(plugin->execute());
    delete plugin;
    // Not even the version function is called: the missing entries are found first.
    EXPECT_TRUE(host.calls.empty());
}

} // namespace
