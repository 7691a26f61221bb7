// Verdict rules: a wrongly stored orientation or a mean displacement beyond warnMm fail; an orientation the
// images cannot tell apart, a position known no better than warnMm, or images sharing too little structure
// are inconclusive; otherwise the displacement sets pass or warn, a pass needing the position known to
// passMm / 2. Each verdict carries a confidence: the chance, under the measured uncertainty taken as
// normal, that the displacement (and the orientation) lie on the verdict's side of their thresholds.
#include "host/alignment_check/verdict.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

// An orientation error's name as a phrase: "a left-right mirror", but "axes swapped (...)".
std::string withArticle(const std::string& orientation) {
    return orientation.compare(0, 4, "axes") == 0 ? orientation : "a " + orientation;
}

std::string format(const char* pattern, double a, double b = 0.0, double c = 0.0, double d = 0.0) {
    char text[512];
    snprintf(text, sizeof text, pattern, a, b, c, d);
    return text;
}

// "left-right" of "left-right mirror", or the swap's words, for the sentences that name what is unsure.
std::string axisWords(const std::string& orientation) {
    const size_t mirror = orientation.find(" mirror");
    return mirror == std::string::npos ? orientation : orientation.substr(0, mirror);
}

// The orientation part: fail when another orientation wins clearly, inconclusive when the winner's lead
// is within the threshold; otherwise nothing to say. Returns the verdict it asks for and its confidence.
Verdict judgeOrientation(const OrientationFinding& o, double& confidence, std::vector<std::string>& reasons) {
    if (!o.tested) {
        confidence = 1;
        return Verdict::kPass;
    }
    const OrientationTrial& stored = o.trials.front();
    if (o.decidedBy == "block likelihood") {
        // The correlation left left-right open; the blocks where the head is not symmetric decided it. How
        // sure: the winning side's share of the two strongest blocks' evidence.
        const double total = o.mirrorEvidenceFor + o.mirrorEvidenceAgainst;
        confidence = total > 0 ? std::max(o.mirrorEvidenceFor, o.mirrorEvidenceAgainst) / total : 0.5;
        if (o.suspected.empty()) {
            reasons.push_back(
                format("left-right was settled where the head is not symmetric: the functional "
                       "matches there better as stored than mirrored (%.0f against %.0f nats); the "
                       "local correlation could not tell them apart (the runner-up reached %.2f of "
                       "the winner's)",
                       o.mirrorEvidenceAgainst, o.mirrorEvidenceFor, o.margin));
            return Verdict::kPass;
        }
        reasons.push_back(
            format("the functional matches the anatomy about as well mirrored left-right (local "
                   "correlation %.3f, %.2f of the winner's), and clearly better mirrored where "
                   "the head is not symmetric (%.0f against %.0f nats): a left-right mirror is "
                   "suspected (a left-right flip)",
                   stored.best, o.margin, o.mirrorEvidenceFor, o.mirrorEvidenceAgainst));
        return Verdict::kFail;
    }
    // The chance that the winner's lead is real: the runner-up's true share below 1.
    const double lead = 1.0 - chanceAbove(o.margin, std::max(o.marginError, 1e-6), 1.0);
    if (!o.suspected.empty()) {
        double winner = 0;
        for (const OrientationTrial& t : o.trials) {
            winner = t.name == o.suspected ? t.best : winner;
        }
        std::string text =
            "the functional matches the anatomy better with " + withArticle(o.suspected) +
            format(" (local correlation %.3f against %.3f as stored; the runner-up reaches %.2f of "
                   "it, ",
                   winner, stored.best, o.margin);
        if (o.decided) {
            confidence = lead;
            reasons.push_back(text + format("decided at %.2f or less): ", o.threshold) +
                              withArticle(o.suspected) + " is suspected" +
                              (o.suspected == "left-right mirror" ? " (a left-right flip)" : ""));
            return Verdict::kFail;
        }
        confidence = std::clamp((o.margin - o.threshold) / (1.0 - o.threshold), 0.0, 1.0);
        reasons.push_back(text + format("more than %.2f): a ", o.threshold) + o.suspected +
                          " is possible but " + axisWords(o.suspected) +
                          " could not be confirmed from the images");
        return Verdict::kInconclusive;
    }
    if (!o.decided) {
        double runner = 0;
        for (const OrientationTrial& t : o.trials) {
            runner = t.name == o.undecided ? t.best : runner;
        }
        confidence = std::clamp((o.margin - o.threshold) / (1.0 - o.threshold), 0.0, 1.0);
        reasons.push_back(
            axisWords(o.undecided) + " could not be confirmed from the images: the functional as a " +
            o.undecided +
            format(" matches the anatomy nearly as well as stored (local correlation %.3f against "
                   "%.3f, %.2f of it; decided only at %.2f or less)",
                   runner, stored.best, o.margin, o.threshold));
        return Verdict::kInconclusive;
    }
    confidence = lead;
    return Verdict::kPass;
}

} // namespace

double chanceAbove(double mean, double spread, double limit) {
    if (!(spread > 0)) {
        return mean > limit ? 1.0 : 0.0;
    }
    return 0.5 * std::erfc((limit - mean) / (spread * std::sqrt(2.0)));
}

Verdict worseVerdict(Verdict a, Verdict b) {
    return static_cast<int>(a) > static_cast<int>(b) ? a : b;
}

void decideVerdict(RunCheck& check, const SearchFindings& findings, const CheckSettings& settings) {
    const HeaderComparison& header = check.header;
    const SearchResult& search = check.search;
    std::vector<std::string>& reasons = check.reasons;
    reasons.clear();
    check.confidence = 1.0; // the refusals below rest on the headers and samples alone
    if (header.overlapVoxels == 0) {
        check.verdict = Verdict::kFail;
        reasons.push_back("the functional does not overlap the anatomical at all (fields of view " +
                          format("%.1f mm apart", header.centreDistanceMm) + ")");
        return;
    }
    if (!findings.hasData) {
        check.verdict = Verdict::kFail;
        reasons.push_back("the functional has no finite samples (all are not-a-number or infinite)");
        return;
    }
    if (!findings.searched) {
        check.verdict = Verdict::kFail;
        reasons.push_back(format("only %.1f%% of the functional lies inside the anatomical (%.0f voxels), "
                                 "too little to judge the alignment",
                                 header.insidePct, static_cast<double>(header.overlapVoxels)));
        return;
    }
    if (!findings.informative) {
        check.verdict = Verdict::kInconclusive;
        // How sure: the chance that the measure at the best lies below the informative level.
        check.confidence = search.standardError > 0
                               ? 1.0 - chanceAbove(search.best, search.standardError, kInformativeCorrelation)
                               : 1.0;
        reasons.push_back(format("the functional and the anatomical share too little structure (local "
                                 "correlation %.3f at best, informative from %.2f): the alignment cannot be "
                                 "judged",
                                 search.best, kInformativeCorrelation));
        return;
    }
    const OrientationFinding& o = check.orientation;
    if (o.tested && o.othersMedianRatio >= kOrientationBlindRatio) {
        check.verdict = Verdict::kInconclusive;
        check.confidence = std::clamp(
            (o.othersMedianRatio - kOrientationBlindRatio) / (1.0 - kOrientationBlindRatio), 0.0, 1.0);
        reasons.push_back(
            format("the match hardly depends on how the functional is oriented (mirrored or with "
                   "axes swapped it reaches a median %.2f of its best, where a head stays below "
                   "%.2f): the images share too little structure to judge the alignment",
                   o.othersMedianRatio, kOrientationBlindRatio));
        return;
    }
    double orientationConfidence = 1;
    Verdict verdict = judgeOrientation(check.orientation, orientationConfidence, reasons);
    const double d = search.displacementMm, u = search.uncertaintyMm;
    const double spread = std::max(u, 0.05);
    double positionConfidence = 1;
    Verdict position = Verdict::kPass;
    if (u > settings.warnMm) {
        position = Verdict::kInconclusive;
        positionConfidence = 1.0 - settings.warnMm / u;
        reasons.push_back(
            format("the best position is known only to about %.1f mm (the measure hardly changes "
                   "around it, or equally good positions lie apart): the displacement of %.1f mm "
                   "cannot be judged",
                   u, d));
    } else if (d > settings.warnMm) {
        position = Verdict::kFail;
        positionConfidence = chanceAbove(d, spread, settings.warnMm);
        reasons.push_back(format("the best match lies %.1f mm (mean displacement, known to %.1f mm) from the "
                                 "header position, more than %.0f mm",
                                 d, u, settings.warnMm));
    } else if (d > settings.passMm) {
        position = Verdict::kWarn;
        positionConfidence =
            chanceAbove(d, spread, settings.passMm) - chanceAbove(d, spread, settings.warnMm);
        reasons.push_back(format("the best match lies %.1f mm (mean displacement, known to %.1f mm) from the "
                                 "header position, more than %.0f mm",
                                 d, u, settings.passMm));
    } else if (u > 0.5 * settings.passMm) {
        position = Verdict::kWarn;
        positionConfidence = 1.0 - chanceAbove(d, spread, settings.warnMm);
        reasons.push_back(format("the best match lies %.1f mm (mean displacement) from the header position, "
                                 "within %.0f mm, but is known only to %.1f mm",
                                 d, settings.passMm, u));
    } else {
        positionConfidence = 1.0 - chanceAbove(d, spread, settings.passMm);
        reasons.push_back(format("the best match lies %.1f mm (mean displacement, known to %.1f mm) from the "
                                 "header position, within %.0f mm",
                                 d, u, settings.passMm));
    }
    // A fail stands on its own evidence; otherwise both parts must hold.
    if (verdict == Verdict::kFail && position == Verdict::kFail) {
        check.confidence = std::max(orientationConfidence, positionConfidence);
    } else if (verdict == Verdict::kFail) {
        check.confidence = orientationConfidence;
    } else if (position == Verdict::kFail) {
        check.confidence = positionConfidence;
    } else {
        check.confidence = orientationConfidence * positionConfidence;
    }
    verdict = worseVerdict(verdict, position);
    if (findings.reachedBound) {
        reasons.push_back(
            "the best match lies at the edge of the searched range; the true offset may be larger");
    }
    if (!header.handednessMatches) {
        reasons.push_back(
            "the two grids differ in handedness (one affine mirrors); fine when the headers are right");
    }
    const std::optional<double>* disagreements[2] = {&header.anatomicalQformSformMm,
                                                     &header.functionalQformSformMm};
    const char* names[2] = {"anatomical", "functional"};
    for (int i = 0; i < 2; ++i) {
        if (disagreements[i]->has_value() && **disagreements[i] > 1.0) {
            reasons.push_back(
                std::string("the ") + names[i] +
                format("'s qform and sform disagree by up to %.1f mm; tools that read the qform "
                       "place it elsewhere",
                       **disagreements[i]));
        }
    }
    check.verdict = verdict;
}
