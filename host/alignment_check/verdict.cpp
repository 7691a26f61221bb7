// Verdict rules: the mean displacement sets pass / warn / fail; a suspected flip, too little overlap or an
// uninformative measure fail, since then the displacement says nothing.
#include "host/alignment_check/verdict.h"

#include <cstdio>
#include <string>

namespace {

// Below this NMI a pair shares so little structure that nearby positions score within the measure's noise.
const double kWeakMatchNmi = 1.1;

std::string format(const char* pattern, double a, double b = 0.0) {
    char text[256];
    snprintf(text, sizeof text, pattern, a, b);
    return text;
}

} // namespace

Verdict worseVerdict(Verdict a, Verdict b) {
    return static_cast<int>(a) > static_cast<int>(b) ? a : b;
}

void decideVerdict(RunCheck& check, const SearchFindings& findings, const CheckSettings& settings) {
    const HeaderComparison& header = check.header;
    const SearchResult& search = check.search;
    std::vector<std::string>& reasons = check.reasons;
    reasons.clear();
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
        check.verdict = Verdict::kFail;
        reasons.push_back("the functional and the anatomical share no structure at any searched position "
                          "(constant or unrelated images); the alignment cannot be judged");
        return;
    }
    Verdict verdict = Verdict::kPass;
    if (search.lrFlipSuspected) {
        verdict = Verdict::kFail;
        if (search.mirrorEvidenceFor > search.mirrorEvidenceAgainst) {
            reasons.push_back(
                format("the left-right mirrored functional matches the anatomy about as well overall "
                       "(NMI %.4f against %.4f) ",
                       search.mirroredBest, search.best) +
                format("and clearly better where the head is not symmetric (%.0f against %.0f nats): "
                       "a left-right flip is suspected",
                       search.mirrorEvidenceFor, search.mirrorEvidenceAgainst));
        } else {
            reasons.push_back(format("the left-right mirrored functional matches the anatomy clearly better "
                                     "(NMI %.4f against %.4f): a left-right flip is suspected",
                                     search.mirroredBest, search.best));
        }
    }
    const double d = search.displacementMm;
    if (d > settings.warnMm) {
        verdict = Verdict::kFail;
        reasons.push_back(format("the best match lies %.1f mm (mean displacement) from the header position, "
                                 "more than %.0f mm",
                                 d, settings.warnMm));
    } else if (d > settings.passMm) {
        verdict = worseVerdict(verdict, Verdict::kWarn);
        reasons.push_back(format("the best match lies %.1f mm (mean displacement) from the header position, "
                                 "more than %.0f mm",
                                 d, settings.passMm));
    } else {
        reasons.push_back(format("the best match lies %.1f mm (mean displacement) from the header position, "
                                 "within %.0f mm",
                                 d, settings.passMm));
    }
    if (search.best < kWeakMatchNmi) {
        reasons.push_back(
            format("the match is weak (NMI %.4f): the images share little structure, so the best "
                   "position is uncertain",
                   search.best));
    }
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
