// The verdict rules on result records: which orientation findings, uncertainties and measures give which
// verdict, the words that name the error, and a confidence within 0..1 for every verdict.
#include <gtest/gtest.h>

#include <string>

#include "host/alignment_check/verdict.h"

namespace {

struct VerdictCase {
    const char* name;
    double displacementMm, uncertaintyMm;
    bool informative;
    const char* suspected; // "" none
    bool decided;
    const char* undecided;
    Verdict verdict;
    const char* words; // a reason must contain these
    double othersMedianRatio = 0.3;
};

OrientationFinding findingOf(const VerdictCase& c) {
    OrientationFinding o;
    o.tested = true;
    o.suspected = c.suspected;
    o.decided = c.decided;
    o.undecided = c.undecided;
    o.threshold = 0.9;
    o.margin = c.decided ? 0.5 : 0.96;
    o.marginError = 0.02;
    o.othersMedianRatio = c.othersMedianRatio;
    o.trials = {{"as stored", 0.6, 1.0, true},
                {"left-right mirror", 0.58, 0.97, true},
                {"superior-inferior mirror", 0.3, 0.5, true}};
    return o;
}

TEST(Verdict, OrientationUncertaintyAndStructureDecideTheVerdict) {
    const VerdictCase cases[] = {
        {"aligned and sure", 0.8, 0.3, true, "", true, "", Verdict::kPass, "within 2 mm"},
        {"within 2 mm but known to 1.5 mm", 1.2, 1.5, true, "", true, "", Verdict::kWarn,
         "known only to 1.5 mm"},
        {"3 mm off", 3.0, 0.3, true, "", true, "", Verdict::kWarn, "more than 2 mm"},
        {"8 mm off", 8.0, 0.3, true, "", true, "", Verdict::kFail, "more than 5 mm"},
        {"position known to 7 mm", 1.0, 7.0, true, "", true, "", Verdict::kInconclusive,
         "known only to about 7.0"},
        {"too little shared structure", 0.5, 0.3, false, "", true, "", Verdict::kInconclusive,
         "share too little structure"},
        {"mirror decided", 0.5, 0.3, true, "superior-inferior mirror", true, "", Verdict::kFail,
         "a superior-inferior mirror is suspected"},
        {"swap decided", 0.5, 0.3, true, "axes swapped (left-right with anterior-posterior)", true, "",
         Verdict::kFail, "axes swapped (left-right with anterior-posterior) is suspected"},
        {"left-right open, stored ahead", 0.5, 0.3, true, "", false, "left-right mirror",
         Verdict::kInconclusive, "left-right could not be confirmed from the images"},
        {"left-right open, mirror ahead", 0.5, 0.3, true, "left-right mirror", false, "left-right mirror",
         Verdict::kInconclusive, "left-right could not be confirmed from the images"},
        {"mirror decided and far off", 9.0, 0.3, true, "left-right mirror", true, "", Verdict::kFail,
         "a left-right flip"},
        {"a smooth head: other orientations at 0.85", 0.5, 0.3, true, "", true, "", Verdict::kPass,
         "within 2 mm", 0.85},
        {"no head: every orientation matches alike", 9.0, 0.3, true, "left-right mirror", true, "",
         Verdict::kInconclusive, "hardly depends on how the functional is oriented", 0.95},
    };
    for (const VerdictCase& c : cases) {
        RunCheck check;
        check.header.overlapVoxels = 1000;
        check.header.insidePct = 90;
        check.search.displacementMm = c.displacementMm;
        check.search.uncertaintyMm = c.uncertaintyMm;
        check.search.best = c.informative ? 0.6 : 0.02;
        check.search.standardError = 0.01;
        check.orientation = findingOf(c);
        SearchFindings findings;
        findings.searched = true;
        findings.informative = c.informative;
        decideVerdict(check, findings, CheckSettings{});
        EXPECT_EQ(verdictName(check.verdict), std::string(verdictName(c.verdict))) << c.name;
        std::string all;
        for (const std::string& reason : check.reasons) {
            all += reason + "\n";
        }
        EXPECT_NE(all.find(c.words), std::string::npos) << c.name << ":\n" << all;
        EXPECT_GE(check.confidence, 0.0) << c.name;
        EXPECT_LE(check.confidence, 1.0) << c.name;
    }
}

// How sure: a displacement just inside the pass band is a less certain pass than one well inside.
TEST(Verdict, ConfidenceFallsNearAThreshold) {
    double confidence[2];
    const double displacements[2] = {0.5, 1.9};
    for (int i = 0; i < 2; ++i) {
        RunCheck check;
        check.header.overlapVoxels = 1000;
        check.header.insidePct = 90;
        check.search.displacementMm = displacements[i];
        check.search.uncertaintyMm = 0.4;
        check.search.best = 0.6;
        SearchFindings findings;
        findings.searched = true;
        decideVerdict(check, findings, CheckSettings{});
        EXPECT_EQ(check.verdict, Verdict::kPass);
        confidence[i] = check.confidence;
    }
    EXPECT_GT(confidence[0], 0.99);
    EXPECT_LT(confidence[1], 0.7);
}

} // namespace

namespace {

// When the correlation leaves left-right open and the asymmetric places decide it, the verdict follows them.
TEST(Verdict, BlockLikelihoodDecidesLeftRight) {
    for (bool mirrored : {true, false}) {
        RunCheck check;
        check.header.overlapVoxels = 1000;
        check.header.insidePct = 90;
        check.search.displacementMm = 0.5;
        check.search.uncertaintyMm = 0.3;
        check.search.best = 0.6;
        OrientationFinding& o = check.orientation;
        o.tested = true;
        o.decided = true;
        o.decidedBy = "block likelihood";
        o.suspected = mirrored ? "left-right mirror" : "";
        o.margin = 0.99;
        o.threshold = 0.9;
        o.mirrorEvidenceFor = mirrored ? 80 : 20;
        o.mirrorEvidenceAgainst = mirrored ? 20 : 80;
        o.trials = {{"as stored", 0.6, 1.0, true}, {"left-right mirror", 0.6, 0.99, true}};
        SearchFindings findings;
        findings.searched = true;
        decideVerdict(check, findings, CheckSettings{});
        EXPECT_EQ(check.verdict, mirrored ? Verdict::kFail : Verdict::kPass);
        EXPECT_NEAR(check.confidence, mirrored ? 0.8 : 0.8 * 1.0, 0.01);
        // Either way the reasons say how left-right was decided, with the winning side's evidence first.
        EXPECT_NE(check.reasons.front().find("80 against 20 nats"), std::string::npos)
            << check.reasons.front();
    }
}

} // namespace
