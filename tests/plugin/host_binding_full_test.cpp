// A host program that exports every host function: binding, the version gate, and the plug-in object run
// through the loaded module. Built as "Zentrovis", "ZentrovisZR" and "Zentrovis.exe", the names a host may
// have.
#include <dlfcn.h>
#include <string.h>

#include <gtest/gtest.h>

#include "host_api/host_function_table.h"
#include "tests/plugin/plugin_module.h"
#include "tests/support/scripted_host.h"

namespace {

const char kVersionGateMessage[] = "Can not execute this plugin - Zentrovis version 20.0 or higher required.";

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

// A VMR and one FMR whose run goes to its end with the default answer.
void openOneRun(ScriptedHost& host) {
    host.addVmr(8, 8, 8);
    host.addFmr("run1", 4, 4, 4, kFmrDataInt16);
}

TEST(FullHost, BindingWritesEveryEntryWithTheHostFunctionOfItsName) {
    ScriptedHost host;
    memset(&gHostFunctions, 0xA5, sizeof gHostFunctions);
    ASSERT_TRUE(bindHostFunctions());
    void* entries[kHostFunctionCount];
    memcpy(entries, &gHostFunctions, sizeof gHostFunctions);
    void* self = dlopen(nullptr, RTLD_NOW);
    for (int i = 0; i < kHostFunctionCount; ++i) {
        SCOPED_TRACE(kHostFunctionNames[i]);
        EXPECT_EQ(entries[i], hostFunctionAddress(i));
        EXPECT_EQ(entries[i], dlsym(self, kHostFunctionNames[i]));
    }
    // Binding only resolves names: nothing of the host is called.
    EXPECT_TRUE(host.calls.empty());
}

TEST(VersionComparison, ComparesTheTriplesLexicographically) {
    for (const VersionCase& c : kVersionCases) {
        EXPECT_EQ(isVersionAtLeast(c.first, c.second, c.third, 2, 9, 9), c.passes) << describe(c);
    }
    EXPECT_TRUE(isVersionAtLeast(5, 5, 5, 5, 5, 5));
    EXPECT_FALSE(isVersionAtLeast(5, 5, 4, 5, 5, 5));
    EXPECT_TRUE(isVersionAtLeast(5, 6, -100, 5, 5, 5));
}

// initPlugin, then execute on a fresh host, through the module's object, for every version case: the gate
// asks once, an old host sees the message box and nothing else, a new one runs to "Finished.".
TEST(ModuleOnFullHost, InitPluginAndExecuteApplyTheVersionGate) {
    ASSERT_NE(builtPluginModule().handle, nullptr);
    ZVZRPluginInterface* plugin = builtPluginModule().createPlugin();
    ASSERT_NE(plugin, nullptr);
    for (const VersionCase& c : kVersionCases) {
        SCOPED_TRACE(describe(c));
        const std::vector<std::string> refused = {"zrGetVersionOfZentrovisZR()",
                                                  std::string("zrMessageBox(") + kVersionGateMessage + ")"};
        {
            ScriptedHost host;
            setHostVersion(c.first, c.second, c.third);
            EXPECT_EQ(plugin->initPlugin(), c.passes);
            // initPlugin does nothing beyond the gate.
            EXPECT_EQ(host.calls,
                      c.passes ? std::vector<std::string>{"zrGetVersionOfZentrovisZR()"} : refused);
        }
        ScriptedHost host;
        openOneRun(host);
        setHostVersion(c.first, c.second, c.third);
        EXPECT_EQ(plugin->execute(), c.passes);
        ASSERT_FALSE(host.calls.empty());
        if (c.passes) {
            EXPECT_EQ(host.count("zrGetVersionOfZentrovisZR"), 1);
            EXPECT_TRUE(host.messages.empty());
            EXPECT_EQ(host.log.back(), "Finished.\n");
        } else {
            EXPECT_EQ(host.calls, refused);
        }
    }
    delete plugin;
}

TEST(ModuleOnFullHost, ExecuteWithoutInitPluginBindsByItselfAndRunsToTheEnd) {
    ScriptedHost host;
    openOneRun(host);
    ZVZRPluginInterface* plugin = builtPluginModule().createPlugin();
    ASSERT_NE(plugin, nullptr);
    EXPECT_TRUE(plugin->execute());
    delete plugin;
    ASSERT_GE(host.calls.size(), 3u);
    EXPECT_EQ(host.calls[0], "zrGetVersionOfZentrovisZR()");
    EXPECT_EQ(host.calls[1], "zrShowLogTab()");
    EXPECT_EQ(host.calls[2], "log: \nposalignplugin> Started...");
    EXPECT_EQ(host.calls.back(), "log: Finished.\n");
    EXPECT_EQ(host.count("zrShowLogTab"), 1);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.prompts.size(), 1u);
}

TEST(ModuleOnFullHost, EveryExecuteBindsAfresh) {
    ScriptedHost host;
    openOneRun(host);
    ZVZRPluginInterface* plugin = builtPluginModule().createPlugin();
    ASSERT_NE(plugin, nullptr);
    EXPECT_TRUE(plugin->initPlugin());
    EXPECT_TRUE(plugin->execute());
    EXPECT_TRUE(plugin->execute());
    EXPECT_EQ(host.count("zrGetVersionOfZentrovisZR"), 3);
    // A host that became too old between two runs is refused by the next run.
    setHostVersion(2, 8, 0);
    EXPECT_FALSE(plugin->execute());
    EXPECT_EQ(host.messages, std::vector<std::string>{kVersionGateMessage});
    delete plugin;
}

TEST(ModuleOnFullHost, ObjectsAreIndependent) {
    ScriptedHost host;
    openOneRun(host);
    ZVZRPluginInterface* first = builtPluginModule().createPlugin();
    ZVZRPluginInterface* second = builtPluginModule().createPlugin();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_TRUE(second->execute());
    delete second;
    EXPECT_TRUE(first->execute());
    delete first;
    EXPECT_EQ(host.count("zrShowLogTab"), 2);
}

} // namespace
