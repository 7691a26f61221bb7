// A host program that exports every host function: binding, the version gate, and the plug-in object run
// through the loaded module. Built twice, as "Zentrovis" and as "ZentrovisZR", the two module names a host
// may have.
#include <dlfcn.h>
#include <string.h>

#include <gtest/gtest.h>

#include "fake_host.h"
#include "host_api/host_function_table.h"
#include "plugin_module.h"

namespace {

const char kVersionGateMessage[] = "Can not execute this plugin - Zentrovis version 20.0 or higher required.";

void readTable(void* entries[kHostFunctionCount]) {
    memcpy(entries, &gHostFunctions, sizeof gHostFunctions);
}

struct VersionCase {
    int first, second, third;
    bool passes;
};

const VersionCase kVersionCases[] = {
    {2, 9, 9, true},    {2, 9, 8, false}, {2, 8, 99, false}, {2, 10, 0, true},    {3, 0, 0, true},
    {1, 99, 99, false}, {2, 9, 10, true}, {0, 0, 0, false},  {-1, 99, 99, false}, {20, 0, 0, true},
};

std::string describe(const VersionCase& c) {
    return "version (" + std::to_string(c.first) + ", " + std::to_string(c.second) + ", " +
           std::to_string(c.third) + ")";
}

class FullHost : public ::testing::Test {
  protected:
    void SetUp() override { resetFakeHost(); }
};

TEST_F(FullHost, BindingWritesEveryEntryWithTheHostFunctionOfItsName) {
    memset(&gHostFunctions, 0xA5, sizeof gHostFunctions);
    ASSERT_TRUE(bindHostFunctions());
    void* entries[kHostFunctionCount];
    readTable(entries);
    void* self = dlopen(nullptr, RTLD_NOW);
    for (int i = 0; i < kHostFunctionCount; ++i) {
        SCOPED_TRACE(kHostFunctionNames[i]);
        ASSERT_TRUE(fakeHostExportsEntry(i));
        EXPECT_EQ(entries[i], fakeHostFunctionAddress(i));
        EXPECT_EQ(entries[i], dlsym(self, kHostFunctionNames[i]));
    }
    // Binding only resolves names: nothing of the host is called.
    EXPECT_EQ(totalFakeHostCalls(), 0);
}

TEST(VersionComparison, ComparesTheTriplesLexicographically) {
    for (const VersionCase& c : kVersionCases) {
        EXPECT_EQ(isVersionAtLeast(c.first, c.second, c.third, 2, 9, 9), c.passes) << describe(c);
    }
    EXPECT_TRUE(isVersionAtLeast(5, 5, 5, 5, 5, 5));
    EXPECT_FALSE(isVersionAtLeast(5, 5, 4, 5, 5, 5));
    EXPECT_TRUE(isVersionAtLeast(5, 6, -100, 5, 5, 5));
}

TEST_F(FullHost, VersionGateAsksOnceAndShowsTheMessageOnlyForAnOldHost) {
    for (const VersionCase& c : kVersionCases) {
        SCOPED_TRACE(describe(c));
        resetFakeHost();
        fakeHost().version[0] = c.first;
        fakeHost().version[1] = c.second;
        fakeHost().version[2] = c.third;
        EXPECT_EQ(bindAndCheckHost(), c.passes);
        EXPECT_EQ(fakeHost().calls[kFakeHost_zrGetVersionOfZentrovisZR], 1);
        if (c.passes) {
            EXPECT_TRUE(fakeHost().messageBoxTexts.empty());
            EXPECT_EQ(totalFakeHostCalls(), 1);
        } else {
            EXPECT_EQ(fakeHost().messageBoxTexts, std::vector<std::string>{kVersionGateMessage});
            EXPECT_EQ(totalFakeHostCalls(), 2);
        }
    }
}

// The plug-in object as the host uses it: created by the module's factory, called through its virtual slots.
class ModuleOnFullHost : public FullHost {
  protected:
    void SetUp() override {
        FullHost::SetUp();
        ASSERT_NE(builtPluginModule().handle, nullptr);
        plugin = builtPluginModule().createPlugin();
        ASSERT_NE(plugin, nullptr);
    }
    void TearDown() override { delete plugin; }
    ZVZRPluginInterface* plugin = nullptr;
};

TEST_F(ModuleOnFullHost, InitPluginAndExecuteApplyTheVersionGate) {
    for (const VersionCase& c : kVersionCases) {
        SCOPED_TRACE(describe(c));
        resetFakeHost();
        fakeHost().version[0] = c.first;
        fakeHost().version[1] = c.second;
        fakeHost().version[2] = c.third;
        EXPECT_EQ(plugin->initPlugin(), c.passes);
        EXPECT_EQ(fakeHost().calls[kFakeHost_zrGetVersionOfZentrovisZR], 1);
        if (c.passes) {
            // initPlugin does nothing beyond the gate.
            EXPECT_EQ(totalFakeHostCalls(), 1);
            EXPECT_TRUE(fakeHost().messageBoxTexts.empty());
        } else {
            EXPECT_EQ(totalFakeHostCalls(), 2);
            EXPECT_EQ(fakeHost().messageBoxTexts, std::vector<std::string>{kVersionGateMessage});
        }

        // execute binds and checks again; on an old host it stops right there with the same message.
        resetFakeHost();
        fakeHost().version[0] = c.first;
        fakeHost().version[1] = c.second;
        fakeHost().version[2] = c.third;
        EXPECT_EQ(plugin->execute(), c.passes);
        EXPECT_EQ(fakeHost().calls[kFakeHost_zrGetVersionOfZentrovisZR], 1);
        if (c.passes) {
            EXPECT_TRUE(fakeHost().messageBoxTexts.empty());
        } else {
            EXPECT_EQ(totalFakeHostCalls(), 2);
            EXPECT_EQ(fakeHost().messageBoxTexts, std::vector<std::string>{kVersionGateMessage});
        }
    }
}

TEST_F(ModuleOnFullHost, ExecuteWithoutInitPluginBindsByItselfAndRunsToTheEnd) {
    EXPECT_TRUE(plugin->execute());
    EXPECT_EQ(fakeHost().calls[kFakeHost_zrGetVersionOfZentrovisZR], 1);
    EXPECT_TRUE(fakeHost().messageBoxTexts.empty());
    // The workspace is one VMR and one FMR and the prompt answers 1, so a run that logs anything runs from
    // its first line to its last.
    if (!fakeHost().logTexts.empty()) {
        EXPECT_EQ(fakeHost().calls[kFakeHost_zrShowLogTab], 1);
        EXPECT_EQ(fakeHost().logTexts.front(), "\nposalignplugin> Started...");
        EXPECT_EQ(fakeHost().logTexts.back(), "Finished.\n");
    }
}

TEST_F(ModuleOnFullHost, EveryExecuteBindsAfresh) {
    EXPECT_TRUE(plugin->initPlugin());
    EXPECT_TRUE(plugin->execute());
    EXPECT_TRUE(plugin->execute());
    EXPECT_EQ(fakeHost().calls[kFakeHost_zrGetVersionOfZentrovisZR], 3);
    // A host that became too old between two runs is refused by the next run.
    fakeHost().version[1] = 8;
    EXPECT_FALSE(plugin->execute());
    EXPECT_EQ(fakeHost().messageBoxTexts, std::vector<std::string>{kVersionGateMessage});
}

TEST_F(ModuleOnFullHost, ObjectsAreIndependent) {
    ZVZRPluginInterface* second = builtPluginModule().createPlugin();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, plugin);
    EXPECT_TRUE(second->execute());
    delete second;
    EXPECT_TRUE(plugin->execute());
}

} // namespace
