// What the user reads on the terminal: the plug-in's HTML metadata as plain text, the help, and the
// progress line of a long write.
#include <gtest/gtest.h>

#include <sstream>

#include "host/cli/command_line.h"
#include "host/terminal/terminal_text.h"
#include "host/terminal/write_progress.h"

namespace {

TEST(TerminalText, TurnsHtmlIntoPlainTextAndNamesTheVersionOnce) {
    const std::pair<const char*, const char*> cases[] = {
        {"~~~ plugin ~~~.<BR>Checks FMR and VMR.<P>For (1)", "~~~ plugin ~~~.\nChecks FMR and VMR.\nFor (1)"},
        {"a<br/>b</p><p>c<P>", "a\nb\nc"},
        {"<i>SSD</i> &amp; <a href=\"x\">NCC</a>", "SSD & NCC"},
        {"&lt;i&gt; &quot;q&quot; &#39;s&#39;&nbsp;end", "<i> \"q\" 's' end"},
        {"1 < 2 and 3 > 2, x <unclosed", "1 < 2 and 3 > 2, x <unclosed"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(terminalTextFromHtml(c.first), c.second) << c.first;
    }
    EXPECT_EQ(pluginBanner("posalignplugin (v0.9.1)", "0.9.1", "<i>A. Author</i>"),
              "posalignplugin (v0.9.1) by A. Author");
    EXPECT_EQ(pluginBanner("posalignplugin", "0.9.1", "A. Author"), "posalignplugin 0.9.1 by A. Author");
}

TEST(TerminalText, HelpExplainsTheDocumentsAndMappingsInWords) {
    std::ostringstream out, err;
    const char* argv[] = {"Zentrovis", "--help"};
    parseCommandLine(2, argv, out, err);
    for (const char* said :
         {"VMR  the anatomical volume", "FMR  a functional run", "1  FMR -> VMR", "2  VMR -> FMR",
          "3  FMR -> FMR", "--mapping 1, 2 or 3", "--phantom-runs 1 or 2", "--compression LEVEL"}) {
        EXPECT_NE(out.str().find(said), std::string::npos) << said;
    }
    for (const char* jargon : {"INT", "TEXT", "[1 - ", "<", "{"}) {
        EXPECT_EQ(out.str().find(jargon), std::string::npos) << jargon;
    }
}

TEST(WriteProgress, DrawsLargeFilesOnceAPercentAndErasesTheLine) {
    const uint64_t large = kProgressMinimumBytes * 2;
    const std::pair<uint64_t, const char*> cases[] = {
        {large, "\r\033[KWriting f.nii.gz: 1.0 of 2.1 MB (50%)\r\033[KWriting f.nii.gz: 2.1 of 2.1 MB "
                "(100%)\r\033[K"},
        {kProgressMinimumBytes - 1, ""},
    };
    for (const auto& c : cases) {
        std::ostringstream terminal;
        TerminalProgress progress{&terminal, "f.nii.gz"};
        for (uint64_t written : {c.first / 2, c.first / 2 + 1, c.first}) {
            showWriteProgress(progress, written, c.first);
        }
        endWriteProgress(progress);
        EXPECT_EQ(terminal.str(), c.second) << c.first;
    }
}

} // namespace
