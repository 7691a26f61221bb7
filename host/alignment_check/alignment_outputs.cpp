// Formatting of the check's results; JSON through nlohmann-json, which writes non-finite numbers as null.
#include "host/alignment_check/alignment_outputs.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <sstream>

#include "host/alignment_check/alignment_table.h"
#include "host/alignment_check/verdict.h"
#include "host/terminal/number_text.h"

namespace {

using nlohmann::json;

json optionalNumber(const std::optional<double>& value) {
    return value ? json(*value) : json(nullptr);
}

// The orientation finding: what is suspected (null: none), whether the images decide it, and the
// evidence, each orientation's best measure and its ratio to the run as stored.
json orientationJson(const OrientationFinding& o) {
    json trials = json::array();
    for (const OrientationTrial& t : o.trials) {
        trials.push_back(
            {{"orientation", t.name}, {"best", t.best}, {"ratio", t.ratio}, {"refined", t.refined}});
    }
    return {{"tested", o.tested},
            {"suspected", o.suspected.empty() ? json(nullptr) : json(o.suspected)},
            {"decided", o.decided},
            {"decided_by", o.decidedBy.empty() ? json(nullptr) : json(o.decidedBy)},
            {"undecided", o.undecided.empty() ? json(nullptr) : json(o.undecided)},
            {"runner_up_ratio", o.margin},
            {"runner_up_ratio_error", o.marginError},
            {"threshold", o.threshold},
            {"others_median_ratio", o.othersMedianRatio},
            {"mirror_evidence_nats", {{"for", o.mirrorEvidenceFor}, {"against", o.mirrorEvidenceAgainst}}},
            {"evidence", trials}};
}

json matrixJson(const Matrix4d& matrix) {
    json rows = json::array();
    for (const auto& row : matrix) {
        rows.push_back(json(std::vector<double>(row.begin(), row.end())));
    }
    return rows;
}

json givenTransformJson(const GivenTransformCheck& given) {
    return {{"path", given.path},
            {"format", given.format},
            {"correction", matrixJson(given.correction)},
            {"judged", given.judged},
            {"residual_mm", given.residualMm},
            {"verdict", verdictName(given.verdict)},
            {"reasons", given.reasons}};
}

json runJson(const RunCheck& check) {
    const HeaderComparison& h = check.header;
    const SearchResult& s = check.search;
    const json correction = matrixJson(s.correction);
    json run = {{"functional", check.functionalPath},
                {"header",
                 {{"centre_distance_mm", h.centreDistanceMm},
                  {"rotation_deg", h.rotationDeg},
                  {"handedness_matches", h.handednessMatches},
                  {"qform_sform_mm",
                   {{"anatomical", optionalNumber(h.anatomicalQformSformMm)},
                    {"functional", optionalNumber(h.functionalQformSformMm)}}},
                  {"inside_pct", h.insidePct},
                  {"overlap_voxels", h.overlapVoxels}}},
                {"search",
                 {{"measure", s.measure},
                  {"at_header", s.atHeader},
                  {"best", s.best},
                  {"mirrored_best", s.mirroredBest},
                  {"correction", correction},
                  {"translation_mm", s.translationMm},
                  {"rotation_deg", s.rotationDeg},
                  {"displacement_mm", s.displacementMm},
                  {"lr_flip_suspected", s.lrFlipSuspected},
                  {"standard_error", s.standardError},
                  {"uncertainty_mm", s.uncertaintyMm},
                  {"seconds", s.seconds},
                  {"cpu_seconds", s.cpuSeconds}}},
                {"orientation", orientationJson(check.orientation)},
                {"verdict", verdictName(check.verdict)},
                {"confidence", check.confidence},
                {"reasons", check.reasons}};
    if (!check.error.empty()) {
        run["error"] = check.error;
    }
    if (check.givenTransform) {
        run["given_transform"] = givenTransformJson(*check.givenTransform);
    }
    return run;
}

// The functional's file name without its folder and its .nii or .nii.gz ending: the run's name in the
// table.
std::string runName(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    for (const char* ending : {".nii.gz", ".nii"}) {
        const std::string e = ending;
        if (name.size() > e.size() && name.compare(name.size() - e.size(), e.size(), e) == 0) {
            return name.substr(0, name.size() - e.size());
        }
    }
    return name;
}

} // namespace

Verdict worstVerdict(const std::vector<RunCheck>& checks) {
    Verdict worst = Verdict::kPass;
    for (const RunCheck& check : checks) {
        worst = worseVerdict(worst, check.verdict);
    }
    return worst;
}

std::string verdictLines(const RunCheck& check) {
    const HeaderComparison& h = check.header;
    const SearchResult& s = check.search;
    std::ostringstream out;
    out << check.functionalPath << ": " << verdictName(check.verdict) << " (";
    if (s.searched) {
        out << "displacement " << fixedText(s.displacementMm, 1) << " mm known to "
            << fixedText(s.uncertaintyMm, 1) << " mm, local correlation " << fixedText(s.atHeader, 3)
            << " at header, " << fixedText(s.best, 3) << " best, " << fixedText(s.mirroredBest, 3)
            << " mirrored left-right; confidence " << fixedText(check.confidence, 2) << "; ";
    } else {
        out << "not searched; ";
    }
    out << "centres " << fixedText(h.centreDistanceMm, 1) << " mm apart, grids "
        << fixedText(h.rotationDeg, 1) << " deg apart, " << fixedText(h.insidePct, 1) << "% inside; "
        << fixedText(s.seconds, 2) << " s, " << fixedText(s.cpuSeconds, 2) << " s CPU)\n";
    for (const std::string& reason : check.reasons) {
        out << "  - " << reason << "\n";
    }
    if (check.givenTransform) {
        const GivenTransformCheck& given = *check.givenTransform;
        out << "  given registration " << given.path << " (" << given.format
            << "): " << verdictName(given.verdict);
        if (given.judged) {
            out << " (residual " << fixedText(given.residualMm, 2) << " mm)";
        }
        out << "\n";
        for (const std::string& reason : given.reasons) {
            out << "  - " << reason << "\n";
        }
    }
    return out.str();
}

std::string alignmentJson(const std::string& anatomicalPath, const std::vector<RunCheck>& checks) {
    json runs = json::array();
    for (const RunCheck& check : checks) {
        runs.push_back(runJson(check));
    }
    json document = {{"anatomical", anatomicalPath}, {"runs", runs}};
    return document.dump(2) + "\n";
}

std::string alignmentTsv(const std::vector<RunCheck>& checks) {
    std::vector<TableRow> rows;
    for (const RunCheck& check : checks) {
        rows.push_back(
            alignmentRow(RunIdentity{"", "", runName(check.functionalPath), "report.html"}, check));
    }
    return alignmentTableText(rows);
}
