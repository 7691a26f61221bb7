// `Zentrovis check` as the user runs it: exit statuses, refusals, and the names and types of alignment.json
// and alignment.tsv, on phantom files written to a scratch folder.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/alignment_check/alignment_table.h"
#include "host/cli/check_command.h"
#include "host/plugin_run/run_report.h"
#include "host/terminal/exit_status.h"
#include "tests/check/check_test_pair.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeImage(const std::string& path, const NiftiImage& image) {
    ASSERT_EQ(writeFloatImage(path, image), "");
}

struct CommandRun {
    int status;
    std::string out, err;
};

class CheckCommand : public ::testing::Test {
  protected:
    static std::string folder;

    static void SetUpTestSuite() {
        char pattern[] = "/tmp/check-command-XXXXXX";
        folder = mkdtemp(pattern);
        const NiftiImage functional = testFunctional();
        writeImage(folder + "/anat.nii.gz", testAnatomical(Contrast::kT1));
        writeImage(folder + "/aligned.nii.gz", functional);
        writeImage(folder + "/shifted.nii.gz", movedFunctional(functional, {0, 3, 0}, {0, 0, 0}));
        writeImage(folder + "/mirrored.nii.gz", flippedAlongX(functional));
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(folder); }

    static CommandRun run(std::vector<std::string> args) {
        args.insert(args.begin(), "check");
        std::vector<const char*> argv;
        for (const std::string& a : args) {
            argv.push_back(a.c_str());
        }
        std::ostringstream out, err;
        const int status = runCheckCommand(static_cast<int>(argv.size()), argv.data(), out, err);
        return {status, out.str(), err.str()};
    }
    static std::vector<std::string> inputs(const std::vector<std::string>& functionals,
                                           const std::string& out) {
        std::vector<std::string> args{"--vmr", folder + "/anat.nii.gz", "--out", folder + "/" + out};
        for (const std::string& f : functionals) {
            args.push_back("--fmr");
            args.push_back(folder + "/" + f);
        }
        return args;
    }
};
std::string CheckCommand::folder;

TEST_F(CheckCommand, ExitStatusFollowsTheWorstVerdict) {
    struct {
        std::vector<std::string> functionals;
        int status;
        const char* verdicts;
    } cases[] = {{{"aligned.nii.gz"}, 0, "pass"},
                 {{"aligned.nii.gz", "shifted.nii.gz"}, kExitWorstIsWarn, "pass warn"},
                 {{"shifted.nii.gz", "mirrored.nii.gz"}, kExitWorstIsFail, "warn fail"}};
    int index = 0;
    for (const auto& c : cases) {
        const CommandRun r = run(inputs(c.functionals, "statuses" + std::to_string(index++)));
        EXPECT_EQ(r.status, c.status) << r.out << r.err;
        std::string verdicts;
        std::istringstream lines(r.out);
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("  - ", 0) != 0) {
                verdicts += (verdicts.empty() ? "" : " ") + line.substr(line.find(": ") + 2, 4);
            }
        }
        EXPECT_EQ(verdicts, c.verdicts) << r.out;
    }
}

TEST_F(CheckCommand, WritesTheNamedJsonFieldsAndOneTsvLinePerRun) {
    const CommandRun r = run(inputs({"aligned.nii.gz", "mirrored.nii.gz"}, "schema"));
    ASSERT_EQ(r.status, kExitWorstIsFail) << r.err;
    const nlohmann::json doc = nlohmann::json::parse(readFile(folder + "/schema/alignment.json"));
    EXPECT_EQ(doc["anatomical"], folder + "/anat.nii.gz");
    ASSERT_EQ(doc["runs"].size(), 2u);
    for (const nlohmann::json& run : doc["runs"]) {
        EXPECT_TRUE(run["functional"].is_string());
        const nlohmann::json& h = run["header"];
        for (const char* key : {"centre_distance_mm", "rotation_deg", "inside_pct"}) {
            EXPECT_TRUE(h[key].is_number_float()) << key;
        }
        EXPECT_TRUE(h["handedness_matches"].is_boolean());
        EXPECT_TRUE(h["qform_sform_mm"]["anatomical"].is_null()); // sform only
        EXPECT_TRUE(h["qform_sform_mm"].contains("functional"));
        EXPECT_TRUE(h["overlap_voxels"].is_number_integer());
        const nlohmann::json& s = run["search"];
        EXPECT_EQ(s["measure"].get<std::string>().rfind("local correlation", 0), 0u) << s["measure"];
        for (const char* key : {"at_header", "best", "mirrored_best", "displacement_mm", "standard_error",
                                "uncertainty_mm", "seconds", "cpu_seconds"}) {
            EXPECT_TRUE(s[key].is_number()) << key;
        }
        ASSERT_EQ(s["correction"].size(), 4u);
        for (const nlohmann::json& row : s["correction"]) {
            EXPECT_EQ(row.size(), 4u);
        }
        EXPECT_EQ(s["correction"][3], nlohmann::json({0.0, 0.0, 0.0, 1.0}));
        EXPECT_EQ(s["translation_mm"].size(), 3u);
        EXPECT_EQ(s["rotation_deg"].size(), 3u);
        EXPECT_TRUE(s["lr_flip_suspected"].is_boolean());
        EXPECT_FALSE(run["reasons"].empty());
        EXPECT_TRUE(run["confidence"].is_number());
        const nlohmann::json& o = run["orientation"];
        EXPECT_TRUE(o["suspected"].is_null() || o["suspected"].is_string());
        EXPECT_TRUE(o["decided"].is_boolean());
        EXPECT_TRUE(o["threshold"].is_number());
        EXPECT_TRUE(o["runner_up_ratio"].is_number());
        ASSERT_EQ(o["evidence"].size(), 7u); // as stored, three mirrors, three swaps
        EXPECT_EQ(o["evidence"][0]["orientation"], "as stored");
        EXPECT_EQ(o["evidence"][0]["ratio"], 1.0);
        for (const nlohmann::json& trial : o["evidence"]) {
            EXPECT_TRUE(trial["best"].is_number());
            EXPECT_TRUE(trial["refined"].is_boolean());
        }
    }
    EXPECT_TRUE(doc["runs"][0]["orientation"]["suspected"].is_null());
    EXPECT_EQ(doc["runs"][1]["orientation"]["suspected"], "left-right mirror");
    EXPECT_EQ(doc["runs"][0]["verdict"], "pass");
    EXPECT_EQ(doc["runs"][1]["verdict"], "fail");
    EXPECT_EQ(doc["runs"][1]["search"]["lr_flip_suspected"], true);

    // alignment.tsv is the one table the dataset check writes too, read back by its one parser.
    const ParsedTable tsv = parseAlignmentTable(readFile(folder + "/schema/alignment.tsv"), "alignment.tsv");
    ASSERT_EQ(tsv.error, "");
    ASSERT_EQ(tsv.rows.size(), 2u);
    EXPECT_EQ(tsv.rows[1][kColumnFunctional], folder + "/mirrored.nii.gz");
    EXPECT_EQ(tsv.rows[1][kColumnRun], "mirrored");
    EXPECT_EQ(tsv.rows[1][kColumnVerdict], "fail");
    EXPECT_EQ(tsv.rows[1][kColumnLrFlip], "true");
    EXPECT_EQ(tsv.rows[0][kColumnReport], "report.html");
}

TEST_F(CheckCommand, RefusalsWriteNothing) {
    struct {
        const char* name;
        std::vector<std::string> args;
        int status;
        const char* message;
    } cases[] = {
        {"missing functional", inputs({"none.nii.gz"}, "refused"), 2, "none.nii.gz: does not exist"},
        {"name with escapes", inputs({"clear\x1b[2J.nii"}, "refused"), 2,
         "clear\\x1b[2J.nii: does not exist"},
        {"unknown option with escapes",
         {"--vmr", folder + "/anat.nii.gz", "--fmr", folder + "/aligned.nii.gz", "--bad\x1b[2J"},
         2,
         "--bad\\x1b[2J\nRun Zentrovis check --help"},
        {"no functional", {"--vmr", folder + "/anat.nii.gz"}, 2, "--fmr is required"},
        {"functional as anatomical, 4 volumes",
         {"--vmr", folder + "/aligned.nii.gz"},
         2,
         "--fmr is required"},
    };
    for (const auto& c : cases) {
        const CommandRun r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(folder + "/refused"));
}

TEST_F(CheckCommand, ExistingResultsNeedForceAndUnwritableOnesAreStatus3) {
    std::vector<std::string> args = inputs({"aligned.nii.gz"}, "again");
    ASSERT_EQ(run(args).status, 0);
    const CommandRun refused = run(args);
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("alignment.json"), std::string::npos) << refused.err;
    args.push_back("--force");
    EXPECT_EQ(run(args).status, 0);

    std::ofstream(folder + "/plain-file") << "not a folder";
    const CommandRun unwritable = run(inputs({"aligned.nii.gz"}, "plain-file"));
    EXPECT_EQ(unwritable.status, 3) << unwritable.err;
}

} // namespace

namespace {

TEST(RunReport, ACheckThatCannotBeMadeIsALineOfThePageBesideTheLog) {
    const std::string page = beginRunReport("/nonexistent/anat.nii", {"/nonexistent/run.nii"})("Finished.\n");
    EXPECT_NE(page.find("The alignment check could not be made: /nonexistent/anat.nii: does not exist"),
              std::string::npos);
    EXPECT_NE(page.find("<pre>Finished.\n</pre>"), std::string::npos);
}

} // namespace
