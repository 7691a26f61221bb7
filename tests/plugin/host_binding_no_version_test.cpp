// A host program that exports every host function except the version function: the binding fails, the
// version entry becomes null and the other entries keep what they held.
#include <string.h>

#include <gtest/gtest.h>

#include "fake_host.h"
#include "host_api/host_function_table.h"
#include "plugin_module.h"

namespace {

class HostWithoutVersion : public ::testing::Test {
  protected:
    void SetUp() override { resetFakeHost(); }
};

TEST_F(HostWithoutVersion, BindingFailsAndLeavesTheOtherEntriesAlone) {
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
    EXPECT_EQ(totalFakeHostCalls(), 0);
}

TEST_F(HostWithoutVersion, PluginRefusesWithoutAnyHostCall) {
    ASSERT_NE(builtPluginModule().handle, nullptr);
    ZVZRPluginInterface* plugin = builtPluginModule().createPlugin();
    ASSERT_NE(plugin, nullptr);
    EXPECT_FALSE(plugin->initPlugin());
    EXPECT_FALSE(plugin->execute());
    EXPECT_EQ(totalFakeHostCalls(), 0);
    EXPECT_TRUE(fakeHost().messageBoxTexts.empty());
    delete plugin;
}

} // namespace
