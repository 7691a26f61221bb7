// The module's metadata exports, read through the loaded module.
#include <dlfcn.h>

#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "tests/plugin/plugin_module.h"

namespace {

const char kDescriptionStart[] =
    "~~~ posalign plugin ~~~.<BR>Plugin to check the position information and alignment of FMR and VMR.<P>"
    "For the POSALIGN option (1), distance measures sum of square differences (SSD) and normalised "
    "cross-correlation (NCC) are provided for the overlapping parts.";

class Metadata : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(module().handle, nullptr); }
    static const PluginModule& module() { return builtPluginModule(); }
};

TEST_F(Metadata, NameAndVersion) {
    EXPECT_STREQ(module().getPluginName(), "posalignplugin (v0.9.1)");
    EXPECT_STREQ(module().getPluginVersion(), "0.9.1");
}

TEST_F(Metadata, DescriptionStartsExactlyAndEndsWithOneJournalReference) {
    const std::string description = module().getPluginDescription();
    ASSERT_EQ(description.compare(0, sizeof kDescriptionStart - 1, kDescriptionStart), 0) << description;
    const std::string rest = description.substr(sizeof kDescriptionStart - 1);
    // One blank, then a sentence naming authors, year, journal, volume(issue) and pages, ended by a full
    // stop.
    static const std::regex kReference(R"( [^ ].*\((19|20)\d\d\).*\d+\(\d+\).*\d+-\d+\.)");
    EXPECT_TRUE(std::regex_match(rest, kReference)) << rest;
    EXPECT_EQ(rest.find("  "), std::string::npos);
    EXPECT_EQ(rest.find('<'), std::string::npos);
}

TEST_F(Metadata, AuthorIsWrappedInItalics) {
    const std::string author = module().getAuthor();
    ASSERT_GT(author.size(), 7u);
    EXPECT_EQ(author.substr(0, 3), "<i>");
    EXPECT_EQ(author.substr(author.size() - 4), "</i>");
    const std::string inner = author.substr(3, author.size() - 7);
    EXPECT_EQ(inner.find('<'), std::string::npos) << author;
    EXPECT_NE(inner.find_first_not_of(' '), std::string::npos);
}

TEST_F(Metadata, HelpFileAndGuiScriptAreOneFunctionReturningOneEmptyText) {
    EXPECT_STREQ(module().getHelpFile(), "");
    EXPECT_EQ(module().getHelpFile(), module().getGUIScript());
    EXPECT_EQ(dlsym(module().handle, "getHelpFile"), dlsym(module().handle, "getGUIScript"));
}

TEST_F(Metadata, TextsAreConstantForTheModuleLifetime) {
    EXPECT_EQ(module().getPluginName(), module().getPluginName());
    EXPECT_EQ(module().getPluginDescription(), module().getPluginDescription());
    EXPECT_EQ(module().getAuthor(), module().getAuthor());
    EXPECT_EQ(module().getPluginVersion(), module().getPluginVersion());
}

} // namespace
