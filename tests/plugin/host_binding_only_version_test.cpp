// A host program that exports only the version function: the binding succeeds with every other entry
// null, and the plug-in refuses to run because functions it calls are missing.
#include <string.h>

#include <gtest/gtest.h>

#include "fake_host.h"
#include "host_api/host_function_table.h"
#include "plugin_module.h"

namespace {

class OnlyVersionHost : public ::testing::Test {
  protected:
    void SetUp() override { resetFakeHost(); }
};

TEST_F(OnlyVersionHost, BindingSucceedsWithEveryOtherEntryNull) {
    memset(&gHostFunctions, 0xA5, sizeof gHostFunctions);
    ASSERT_TRUE(bindHostFunctions());
    void* entries[kHostFunctionCount];
    memcpy(entries, &gHostFunctions, sizeof gHostFunctions);
    EXPECT_EQ(entries[0], fakeHostFunctionAddress(kFakeHost_zrGetVersionOfZentrovisZR));
    int nullEntries = 0;
    for (int i = 1; i < kHostFunctionCount; ++i) {
        SCOPED_TRACE(kHostFunctionNames[i]);
        EXPECT_EQ(entries[i], nullptr);
        nullEntries += entries[i] == nullptr;
    }
    EXPECT_EQ(nullEntries, 189);
    EXPECT_FALSE(hasAllCalledHostFunctions());
    EXPECT_EQ(totalFakeHostCalls(), 0);
}

TEST_F(OnlyVersionHost, MissingCalledFunctionsStopTheGateBeforeAnyCall) {
    EXPECT_FALSE(bindAndCheckHost());
    EXPECT_EQ(totalFakeHostCalls(), 0);
}

TEST_F(OnlyVersionHost, PluginRefusesToInitialiseOrExecute) {
    ASSERT_NE(builtPluginModule().handle, nullptr);
    ZVZRPluginInterface* plugin = builtPluginModule().createPlugin();
    ASSERT_NE(plugin, nullptr);
    EXPECT_FALSE(plugin->initPlugin());
    EXPECT_FALSE(plugin->execute());
    // Not even the version function is called: the missing entries are found first.
    EXPECT_EQ(fakeHost().calls[kFakeHost_zrGetVersionOfZentrovisZR], 0);
    EXPECT_EQ(totalFakeHostCalls(), 0);
    delete plugin;
}

} // namespace
