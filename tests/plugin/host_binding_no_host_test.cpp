// A program that is not the host: the binding finds no host module and leaves the table as it was.
#include <string.h>

#include <gtest/gtest.h>

#include "host_api/host_function_table.h"
#include "tests/plugin/plugin_module.h"

namespace {

TEST(NoHost, BindingFailsAndLeavesTheTableUnchanged) {
    memset(&gHostFunctions, 0xA5, sizeof gHostFunctions);
    HostFunctionTable before;
    memcpy(&before, &gHostFunctions, sizeof before);
    EXPECT_FALSE(bindHostFunctions());
    EXPECT_EQ(memcmp(&gHostFunctions, &before, sizeof before), 0);
    EXPECT_FALSE(bindAndCheckHost());
    EXPECT_EQ(memcmp(&gHostFunctions, &before, sizeof before), 0);
}

TEST(NoHost, PluginRefusesToInitialiseOrExecute) {
    ASSERT_NE(builtPluginModule().handle, nullptr);
    ZVZRPluginInterface* plugin = builtPluginModule().createPlugin();
    ASSERT_NE(plugin, nullptr);
    EXPECT_FALSE(plugin->initPlugin());
    EXPECT_FALSE(plugin->execute());
    delete plugin;
}

} // namespace
