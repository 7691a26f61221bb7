// The HTML reports opened in a real browser (headless chromium): the run report with no console message,
// every picture shown, a screenshot; the group report sorting by a column; texts from files never become
// markup.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>

#include "host/alignment_report/html_report.h"
#include "host/dataset_check/group_report.h"
#include "host/pictures/png_data_uri.h"
#include "tests/host/app_test_support.h"

namespace {

// A sphere of 20 mm radius in a 2 mm grid centred at the world origin; the functional a dimmer copy.
ScalarGrid sphere(float inside, float outside) {
    ScalarGrid v;
    v.nx = v.ny = v.nz = 32;
    v.voxelToWorld = {2, 0, 0, -31, 0, 2, 0, -31, 0, 0, 2, -31, 0, 0, 0, 1};
    for (int k = 0; k < 32; ++k) {
        for (int j = 0; j < 32; ++j) {
            for (int i = 0; i < 32; ++i) {
                Point3d w = transformPoint(v.voxelToWorld, {i, j, k});
                v.values.push_back(w[0] * w[0] + w[1] * w[1] + w[2] * w[2] < 400 ? inside : outside);
            }
        }
    }
    return v;
}

ReportPage twoRunPage(const std::string& markedName) {
    SubjectPictures subject = prepareSubjectPictures(sphere(200, 10));
    ReportPage page;
    page.title = "Alignment check: sub-01";
    ReportRun checked;
    checked.name = markedName;
    checked.check.verdict = Verdict::kWarn;
    checked.check.search.correction = {{{1, 0, 0, 3}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
    checked.check.reasons = {"the best match lies 3.0 mm from the header position"};
    checked.pictures =
        reportPictures(renderRunPictures(subject, sphere(90, 30), &checked.check.search.correction));
    ReportRun broken;
    broken.name = "sub-01_task-b";
    broken.check.error = "the file is cut off";
    page.runs = {checked, broken};
    page.pluginLog = "posalignplugin> Started...\nFinished.\n";
    return page;
}

// Runs headless chromium on the page with extra arguments; stdout and stderr of the browser.
ProgramRun runChromium(const ScratchFolder& scratch, const std::string& page, const std::string& arguments) {
    static int profile = 0;
    std::string profileFolder = scratch.file("profile-" + std::to_string(++profile));
    std::string command =
        "timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
        "--disable-background-networking --disable-component-update --disable-sync "
        "--user-data-dir=" +
        profileFolder + " " + arguments + " file://" + page + " > " + scratch.file("out.txt") + " 2> " +
        scratch.file("err.txt");
    ProgramRun run;
    run.exitStatus = std::system(command.c_str());
    run.out = readTextFile(scratch.file("out.txt"));
    run.err = readTextFile(scratch.file("err.txt"));
    return run;
}

TEST(HtmlReport, OpensInABrowserWithEveryPictureShownAndNoConsoleMessage) {
    ScratchFolder scratch;
    std::string page = scratch.file("report.html");
    std::ofstream(page) << reportHtml(twoRunPage("sub-01_task-a"));
    ProgramRun dom =
        runChromium(scratch, page, "--enable-logging=stderr --v=0 --virtual-time-budget=5000 --dump-dom");
    ASSERT_EQ(dom.exitStatus, 0) << dom.err;
    EXPECT_EQ(dom.err.find(":CONSOLE"), std::string::npos) << dom.err;
    // Two edge pictures, the anatomy and the functional at two positions: five pictures, all decoded.
    EXPECT_NE(dom.out.find("data-loaded=\"5\" data-total=\"5\""), std::string::npos)
        << dom.out.substr(0, 3000);
    EXPECT_NE(dom.out.find("the file is cut off"), std::string::npos);
    EXPECT_NE(dom.out.find("posalignplugin&gt; Started..."), std::string::npos);

    ProgramRun shot =
        runChromium(scratch, page, "--window-size=1200,1600 --screenshot=" + scratch.file("shot.png"));
    ASSERT_EQ(shot.exitStatus, 0) << shot.err;
    std::ifstream png(scratch.file("shot.png"), std::ios::binary | std::ios::ate);
    EXPECT_GT(static_cast<long>(png.tellg()), 20000L) << "a blank screenshot is small";
}

TEST(HtmlReport, APictureThatCannotBeDecodedIsCountedAsMissing) {
    ScratchFolder scratch;
    ReportPage report = twoRunPage("sub-01_task-a");
    report.runs[0].pictures.anatomy = "data:image/png;base64," + base64({1, 2, 3, 4, 5, 6});
    std::string page = scratch.file("report.html");
    std::ofstream(page) << reportHtml(report);
    ProgramRun dom = runChromium(scratch, page, "--virtual-time-budget=5000 --dump-dom");
    EXPECT_NE(dom.out.find("data-loaded=\"4\" data-total=\"5\""), std::string::npos)
        << dom.out.substr(0, 3000);
    EXPECT_NE(dom.out.find("1 of 5 pictures could not be shown"), std::string::npos);
}

TEST(HtmlReport, TextsFromFilesAreEscaped) {
    std::string html = reportHtml(twoRunPage("<img src=x onerror=alert(1)>&\"'"));
    EXPECT_EQ(html.find("<img src=x"), std::string::npos);
    EXPECT_NE(html.find("&lt;img src=x onerror=alert(1)&gt;&amp;&quot;&#39;"), std::string::npos);
    EXPECT_EQ(std::regex_search(html, std::regex("(src|href)=\"(https?:|//)")), false)
        << "nothing is fetched";
}

// Rows of runs with the given displacements (negative: could not be checked), sorted worst first.
std::vector<TableRow> groupRows(const std::vector<double>& displacements) {
    std::vector<TableRow> rows;
    for (size_t i = 0; i < displacements.size(); ++i) {
        RunCheck check;
        const double d = displacements[i];
        check.verdict = d < 0 || d > 5 ? Verdict::kFail : d > 2 ? Verdict::kWarn : Verdict::kPass;
        check.search.displacementMm = d;
        check.error = d < 0 ? "cut off" : "";
        const std::string subject = "0" + std::to_string(i);
        rows.push_back(alignmentRow(
            RunIdentity{subject, "", "run-" + subject, "sub-" + subject + "/report.html"}, check));
    }
    sortWorstFirst(rows);
    return rows;
}

TEST(GroupReport, SortsByTheClickedColumnInABrowserAndLinksEachParticipant) {
    ScratchFolder scratch;
    std::string html = groupReportHtml(groupRows({0.4, 7.5, 3.1, -1, 1.2}));
    EXPECT_NE(html.find("<a href=\"sub-02/report.html\">"), std::string::npos);
    // One click on the displacement's title sorts smallest first; the page then names its first run.
    const std::string probe =
        "<script>document.querySelectorAll('th')[4].click();"
        "document.title = document.querySelector('tbody tr td:nth-child(4)').textContent;"
        "</script>";
    html.insert(html.rfind("</body>"), probe);
    std::string page = scratch.file("report.html");
    std::ofstream(page) << html;
    ProgramRun dom =
        runChromium(scratch, page, "--enable-logging=stderr --v=0 --virtual-time-budget=3000 --dump-dom");
    ASSERT_EQ(dom.exitStatus, 0) << dom.err;
    EXPECT_EQ(dom.err.find(":CONSOLE"), std::string::npos) << dom.err;
    EXPECT_NE(dom.out.find("<title>run-00</title>"), std::string::npos) << dom.out.substr(0, 600);
    EXPECT_NE(dom.out.find("class=\"sorted-up\""), std::string::npos);
}

TEST(GroupReport, CountsDisplacementsPerBinAndNeverLinksOutsideTheFolder) {
    const struct {
        std::vector<double> displacements;
        std::vector<int> counts; // bins of 1 mm, the last one open
    } cases[] = {
        {{0.4, 0.9, 1.0, 2.5}, {2, 1, 1, 0}},
        {{7.5, 3.1, -1, 1.2}, {0, 1, 0, 2}},
        {{}, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(displacementHistogram(groupRows(c.displacements), 1.0, 4), c.counts);
    }
    std::vector<TableRow> rows = groupRows({1});
    rows[0][kColumnReport] = "javascript:alert(1)";
    rows.push_back(rows[0]);
    rows[1][kColumnReport] = "/etc/passwd";
    rows[1][kColumnSubject] = "<img src=x>";
    const std::string html = groupReportHtml(rows);
    EXPECT_EQ(html.find("href=\"javascript:"), std::string::npos);
    EXPECT_NE(html.find("href=\"javascript%3Aalert%281%29\""), std::string::npos);
    EXPECT_EQ(html.find("href=\"/etc"), std::string::npos);
    EXPECT_EQ(html.find("<img src=x>"), std::string::npos);
}

TEST(PngDataUri, Base64MatchesTheStandardAlphabetAndPadding) {
    const struct {
        std::vector<uint8_t> bytes;
        const char* text;
    } cases[] = {{{}, ""},
                 {{'f'}, "Zg=="},
                 {{'f', 'o'}, "Zm8="},
                 {{'f', 'o', 'o'}, "Zm9v"},
                 {{0xfb, 0xff, 0xbf}, "+/+/"},
                 {{'f', 'o', 'o', 'b', 'a', 'r'}, "Zm9vYmFy"}};
    for (const auto& c : cases) {
        EXPECT_EQ(base64(c.bytes), c.text);
    }
}

} // namespace
