// The dataset-wide check: pairing runs with anatomicals, the table's order and form, the progress line, and
// a whole run over a small dataset with a broken and an unpaired run.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "host/alignment_check/alignment_table.h"
#include "host/dataset_check/bids_check.h"
#include "host/dataset_check/bids_layout.h"
#include "host/terminal/progress_bar.h"
#include "tests/host/app_test_support.h"

namespace fs = std::filesystem;

namespace {

void touch(const ScratchFolder& root, const std::string& relative) {
    fs::create_directories(fs::path(root.file(relative)).parent_path());
    writeBytesForTest(root.file(relative), "");
}

std::string relativeTo(const ScratchFolder& root, const std::string& path) {
    return path.empty() ? "" : fs::relative(path, root.path).string();
}

TEST(BidsLayout, PairsEachRunWithTheAnatomicalOfItsSessionElseOfItsSubject) {
    ScratchFolder root;
    for (const char* file :
         {"sub-01/ses-a/anat/sub-01_ses-a_T1w.nii.gz", "sub-01/ses-a/func/sub-01_ses-a_task-x_bold.nii.gz",
          "sub-01/ses-a/func/sub-01_ses-a_task-x_sbref.nii.gz",
          "sub-01/ses-a/func/sub-01_ses-a_task-x_events.tsv",
          "sub-01/ses-b/func/sub-01_ses-b_task-x_bold.nii", "sub-01/anat/sub-01_T1w.nii",
          "sub-02/anat/sub-02_run-2_T1w.nii.gz", "sub-02/anat/sub-02_run-1_T1w.nii.gz",
          "sub-02/anat/sub-02_T2w.nii.gz", "sub-02/func/sub-02_task-y_bold.nii.gz",
          "sub-02/func/sub-02_task-y_bold.json", "sub-03/func/sub-03_task-z_bold.nii.gz"}) {
        touch(root, file);
    }
    struct Expected {
        const char *subject, *session, *name, *anatomical;
    };
    const Expected expected[] = {
        {"01", "a", "sub-01_ses-a_task-x", "sub-01/ses-a/anat/sub-01_ses-a_T1w.nii.gz"},
        {"01", "b", "sub-01_ses-b_task-x", "sub-01/anat/sub-01_T1w.nii"},
        {"02", "", "sub-02_task-y", "sub-02/anat/sub-02_run-1_T1w.nii.gz"},
        {"03", "", "sub-03_task-z", ""},
    };
    BidsLayout all = findBidsRuns(root.path, {});
    ASSERT_EQ(all.error, "");
    ASSERT_EQ(all.runs.size(), 4u);
    for (size_t i = 0; i < all.runs.size(); ++i) {
        const BidsRun& run = all.runs[i];
        EXPECT_EQ(run.subject, expected[i].subject);
        EXPECT_EQ(run.session, expected[i].session);
        EXPECT_EQ(run.name, expected[i].name);
        EXPECT_EQ(relativeTo(root, run.anatomicalPath), expected[i].anatomical) << run.name;
        EXPECT_EQ(run.problem.empty(), expected[i].anatomical[0] != '\0') << run.name;
    }
    // Labels with or without "sub-" choose participants; an unknown one refuses the whole run.
    BidsLayout chosen = findBidsRuns(root.path, {"sub-03", "02"});
    ASSERT_EQ(chosen.runs.size(), 2u);
    EXPECT_EQ(chosen.runs[0].subject, "02");
    EXPECT_EQ(chosen.runs[1].subject, "03");
    EXPECT_NE(findBidsRuns(root.path, {"04"}).error.find("no participant sub-04"), std::string::npos);
    EXPECT_NE(findBidsRuns(root.file("missing"), {}).error, "");
}

RunCheck checkWith(Verdict verdict, double displacementMm, const std::string& error = "") {
    RunCheck check;
    check.verdict = verdict;
    check.search.displacementMm = displacementMm;
    check.error = error;
    check.reasons = {error.empty() ? "reason\twith a tab" : error};
    return check;
}

TEST(AlignmentTable, RowsGoWorstFirstAndSurviveTheirTextForm) {
    struct Case {
        const char* run;
        RunCheck check;
    };
    const Case cases[] = {
        {"pass-small", checkWith(Verdict::kPass, 0.3)},
        {"warn-3", checkWith(Verdict::kWarn, 3.0)},
        {"fail-6", checkWith(Verdict::kFail, 6.0)},
        {"pass-large", checkWith(Verdict::kPass, 1.9)},
        {"fail-broken", checkWith(Verdict::kFail, 0, "cut off")},
        {"fail-12", checkWith(Verdict::kFail, 12.0)},
        {"warn-4", checkWith(Verdict::kWarn, 4.5)},
    };
    std::vector<TableRow> rows;
    for (const Case& c : cases) {
        rows.push_back(alignmentRow(RunIdentity{"01", "", c.run, "sub-01/report.html"}, c.check));
        EXPECT_EQ(rows.back().size(), kAlignmentColumns.size()) << c.run;
    }
    sortWorstFirst(rows);
    const char* order[] = {"fail-broken", "fail-12",    "fail-6",    "warn-4",
                           "warn-3",      "pass-large", "pass-small"};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i][2], order[i]);
    }
    EXPECT_EQ(rows[0][kColumnDisplacement], "n/a");
    EXPECT_EQ(rows[0][kColumnReasons], "cut off");
    EXPECT_EQ(rows[1][kColumnReasons], "reason with a tab");
    const ParsedTable parsed = parseAlignmentTable(alignmentTableText(rows), "t.tsv");
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.rows, rows);
}

// A table the parser cannot read is an error naming the file and line; no row is dropped silently.
TEST(AlignmentTable, ALineOfAnotherFormIsAnErrorWithFileAndLine) {
    const std::string header = alignmentTableText({});
    const std::string good =
        alignmentTableText({alignmentRow(RunIdentity{"01", "", "r", "x"}, checkWith(Verdict::kPass, 1))});
    const std::string row = good.substr(header.size());
    std::string older; // the single check's former 21 columns
    for (int i = 0; i < 21; ++i) {
        older += (i ? "\tx" : "x");
    }
    const struct {
        std::string text, error;
    } cases[] = {
        {good + row.substr(0, row.find('\t')) + "\n", "t.tsv:3: has 1 fields, not 31"},
        {header + older + "\n", "t.tsv:2: has 21 fields, not 31"},
        {older + "\n" + row, "t.tsv:1: is not the header of an alignment table"},
        {good.substr(0, good.size() - 1), "t.tsv:2: ends without a line break"},
        {header + std::string(row).replace(row.find("pass"), 4, "okay"), "t.tsv:2: has no verdict"},
        {"", "t.tsv: is empty"},
    };
    for (const auto& c : cases) {
        const ParsedTable parsed = parseAlignmentTable(c.text, "t.tsv");
        EXPECT_EQ(parsed.error.rfind(c.error, 0), 0u) << parsed.error;
        EXPECT_TRUE(parsed.rows.empty());
    }
}

TEST(ProgressLine, ShowsRunsDoneAndTheTimeLeft) {
    EXPECT_EQ(progressLine(0, 20, 0), "[....................]   0/20 runs");
    EXPECT_EQ(progressLine(5, 20, 10), "[#####...............]   5/20 runs  0:30 left");
    EXPECT_EQ(progressLine(10, 20, 70), "[##########..........]  10/20 runs  1:10 left");
    EXPECT_EQ(progressLine(20, 20, 70), "[####################]  20/20 runs");
}

// A checker that passes every functional of three volumes and fails the others by 9 mm.
RunCheck checkByName(const NiftiImage&, const NiftiImage& functional) {
    RunCheck check;
    bool good = functional.nt == 3;
    check.verdict = good ? Verdict::kPass : Verdict::kFail;
    check.search.displacementMm = good ? 0.5 : 9;
    check.search.correction = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
    check.reasons = {good ? "close" : "far"};
    return check;
}

TEST(BidsCheck, EveryRunGetsARowABrokenOrUnpairedRunTooAndTheOthersGoOn) {
    ScratchFolder bids, out;
    fs::create_directories(bids.file("sub-01/anat"));
    fs::create_directories(bids.file("sub-01/func"));
    fs::create_directories(bids.file("sub-02/func"));
    writeAnatomicalFixture(bids.file("sub-01/anat/sub-01_T1w.nii.gz"), 24);
    writeFunctionalFixture(bids.file("sub-01/func/sub-01_task-a_bold.nii.gz"), 3, 0);
    writeFunctionalFixture(bids.file("sub-01/func/sub-01_task-b_bold.nii.gz"), 2, 0);
    writeBytesForTest(bids.file("sub-01/func/sub-01_task-c_bold.nii"), "not an image");
    writeFunctionalFixture(bids.file("sub-02/func/sub-02_task-a_bold.nii.gz"), 3, 0);
    BidsCheckOptions options{bids.path, out.path, "participant", {}, 2};
    std::ostringstream said, problems;
    // Two runs could not be checked (status 6); with verdict statuses the worst verdict, a fail (5).
    EXPECT_EQ(runBidsCheck(options, checkByName, said, problems, false), 6);
    options.verdictExitStatus = true;
    EXPECT_EQ(runBidsCheck(options, checkByName, said, problems, false), 5);
    options.verdictExitStatus = false;
    EXPECT_EQ(problems.str(), "");
    // The participant level writes only the subjects' folders (and the dataset description).
    EXPECT_EQ(folderEntries(out.path),
              (std::vector<std::string>{"dataset_description.json", "sub-01", "sub-02"}));
    options.analysisLevel = "group";
    EXPECT_EQ(runBidsCheck(options, checkByName, said, problems, false), 6);
    ParsedTable table = parseAlignmentTable(readTextFile(out.file("alignment.tsv")), "alignment.tsv");
    ASSERT_EQ(table.error, "");
    std::vector<TableRow>& rows = table.rows;
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0][kColumnRun], "sub-01_task-c");
    EXPECT_NE(rows[0][kColumnReasons].find("sub-01_task-c_bold.nii: "), std::string::npos)
        << rows[0][kColumnReasons];
    EXPECT_EQ(rows[1][kColumnRun], "sub-02_task-a");
    EXPECT_NE(rows[1][kColumnReasons].find("no anatomical"), std::string::npos) << rows[1][kColumnReasons];
    EXPECT_EQ(rows[2][kColumnRun], "sub-01_task-b");
    EXPECT_EQ(rows[3][kColumnRun], "sub-01_task-a");
    EXPECT_EQ(rows[3][kColumnVerdict], "pass");
    for (const char* subject : {"sub-01", "sub-02"}) {
        EXPECT_TRUE(fileExists(out.file(std::string(subject) + "/report.html"))) << subject;
    }
    const std::string groupPage = readTextFile(out.file("report.html"));
    EXPECT_NE(groupPage.find("<a href=\"sub-02/report.html\">"), std::string::npos);
    EXPECT_NE(readTextFile(out.file("dataset_description.json")).find("\"DatasetType\": \"derivative\""),
              std::string::npos);
    // Checking one participant again, then the group: the other's rows stay; the status is the call's own.
    options.analysisLevel = "participant";
    options.participantLabels = {"01"};
    std::ostringstream again;
    fs::remove(bids.file("sub-01/func/sub-01_task-c_bold.nii"));
    fs::remove(bids.file("sub-01/func/sub-01_task-b_bold.nii.gz"));
    EXPECT_EQ(runBidsCheck(options, checkByName, again, problems, false), 0);
    options.analysisLevel = "group";
    EXPECT_EQ(runBidsCheck(options, checkByName, again, problems, false), 6);
    rows = parseAlignmentTable(readTextFile(out.file("alignment.tsv")), "alignment.tsv").rows;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][kColumnRun], "sub-02_task-a");
    options.analysisLevel = "everyone";
    EXPECT_EQ(runBidsCheck(options, checkByName, again, problems, false), 2);
    // What the check did not write is never replaced; the invocation is refused before it writes anything.
    const struct {
        const char* level;
        void (*spoil)(const ScratchFolder& out);
        const char* refused;
    } foreign[] = {
        {"participant", [](const ScratchFolder& out) { fs::remove(out.file("sub-01/.zentrovis-outputs")); },
         "sub-01/report.html: exists and was not written"},
        {"group",
         [](const ScratchFolder& out) {
             fs::remove(out.file("alignment.tsv"));
             fs::create_symlink("elsewhere", out.file("alignment.tsv"));
         },
         "alignment.tsv: exists and is not a regular file"},
    };
    for (const auto& c : foreign) {
        c.spoil(out);
        std::string before = readTextFile(out.file("sub-01/alignment.tsv"));
        std::ostringstream refusal;
        options.analysisLevel = c.level;
        EXPECT_EQ(runBidsCheck(options, checkByName, again, refusal, false), 2) << c.level;
        EXPECT_NE(refusal.str().find(c.refused), std::string::npos) << refusal.str();
        EXPECT_EQ(readTextFile(out.file("sub-01/alignment.tsv")), before) << c.level;
    }
    EXPECT_TRUE(fs::is_symlink(out.file("alignment.tsv")));
}

// Names from the dataset reach the terminal with control characters escaped, like every other message.
TEST(BidsCheck, NamesInMessagesAndVerdictLinesAreEscaped) {
    ScratchFolder bids, out;
    fs::create_directories(bids.file("sub-01/anat"));
    fs::create_directories(bids.file("sub-01/func"));
    writeAnatomicalFixture(bids.file("sub-01/anat/sub-01_T1w.nii.gz"), 24);
    writeBytesForTest(bids.file("sub-01/func/sub-01_task-\x1b[2J_bold.nii"), "not an image");
    BidsCheckOptions options{bids.path, out.path, "participant", {}, 1};
    std::ostringstream said, problems;
    EXPECT_EQ(runBidsCheck(options, checkByName, said, problems, false), 6);
    options.participantLabels = {"0\x1b[2J"};
    EXPECT_EQ(runBidsCheck(options, checkByName, said, problems, false), 2);
    for (const std::string& text : {said.str(), problems.str()}) {
        EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
        EXPECT_NE(text.find("\\x1b[2J"), std::string::npos) << text;
    }
}

} // namespace

namespace {

TEST(BidsCheckProgram, ChecksADatasetAndTheSingleCheckWritesItsReport) {
    ScratchFolder bids, out;
    fs::create_directories(bids.file("sub-01/anat"));
    fs::create_directories(bids.file("sub-01/func"));
    writeAnatomicalFixture(bids.file("sub-01/anat/sub-01_T1w.nii.gz"), 32);
    writeFunctionalFixture(bids.file("sub-01/func/sub-01_task-a_bold.nii.gz"), 3, 0);
    writeBytesForTest(bids.file("sub-01/func/sub-01_task-b_bold.nii"), "cut");
    ProgramRun run = runZentrovis({"check", bids.path, out.path, "participant", "--participant-label", "01"});
    EXPECT_EQ(run.exitStatus, 6) << run.err;
    EXPECT_NE(run.out.find("fail  sub-01_task-b  "), std::string::npos) << run.out;
    EXPECT_EQ(run.err.find("runs"), std::string::npos) << "no progress bar without a terminal";
    EXPECT_EQ(runZentrovis({"check", bids.path, out.path, "group", "--verdict-exit-status"}).exitStatus, 5);
    std::vector<TableRow> rows = parseAlignmentTable(readTextFile(out.file("alignment.tsv")), "a").rows;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][2], "sub-01_task-b");
    EXPECT_NE(readTextFile(out.file("sub-01/report.html")).find("sub-01_task-a"), std::string::npos);
    // A refused call leaves no trace, not even the output folder it made.
    for (const std::string& folder : {out.path, out.file("fresh")}) {
        EXPECT_EQ(
            runZentrovis({"check", bids.path, folder, "participant", "--participant-label", "02"}).exitStatus,
            2);
    }
    EXPECT_FALSE(fs::exists(out.file("fresh")));
    EXPECT_TRUE(fileExists(out.file("alignment.tsv")));
    EXPECT_EQ(runZentrovis({"check", bids.path, out.path, "everyone"}).exitStatus, 2);

    ProgramRun single =
        runZentrovis({"check", "--vmr", bids.file("sub-01/anat/sub-01_T1w.nii.gz"), "--fmr",
                      bids.file("sub-01/func/sub-01_task-a_bold.nii.gz"), "--out", out.file("one")});
    EXPECT_TRUE(single.exitStatus == 0 || single.exitStatus == 4 || single.exitStatus == 5) << single.err;
    EXPECT_NE(readTextFile(out.file("one/report.html")).find("<img src=\"data:image/png;base64,"),
              std::string::npos);
}

} // namespace
