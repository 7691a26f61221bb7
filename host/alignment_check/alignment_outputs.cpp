// Formatting of the check's results; JSON through nlohmann-json, which writes non-finite numbers as null.
#include "host/alignment_check/alignment_outputs.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <sstream>

#include "host/alignment_check/verdict.h"

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
    return {
        {"tested", o.tested},          {"suspected", o.suspected.empty() ? json(nullptr) : json(o.suspected)},
        {"decided", o.decided},        {"undecided", o.undecided.empty() ? json(nullptr) : json(o.undecided)},
        {"runner_up_ratio", o.margin}, {"runner_up_ratio_error", o.marginError},
        {"threshold", o.threshold},    {"evidence", trials}};
}

json runJson(const RunCheck& check) {
    const HeaderComparison& h = check.header;
    const SearchResult& s = check.search;
    json correction = json::array();
    for (const auto& row : s.correction) {
        correction.push_back(json(std::vector<double>(row.begin(), row.end())));
    }
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
    return run;
}

std::string fixed(double value, int decimals) {
    char text[64];
    snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// A TSV field: tabs and line breaks inside a text would break the columns, so they become spaces.
std::string field(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return text;
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
    if (s.best > 0) {
        out << "displacement " << fixed(s.displacementMm, 1) << " mm known to " << fixed(s.uncertaintyMm, 1)
            << " mm, local correlation " << fixed(s.atHeader, 3) << " at header, " << fixed(s.best, 3)
            << " best, " << fixed(s.mirroredBest, 3) << " mirrored left-right; confidence "
            << fixed(check.confidence, 2) << "; ";
    } else {
        out << "not searched; ";
    }
    out << "centres " << fixed(h.centreDistanceMm, 1) << " mm apart, grids " << fixed(h.rotationDeg, 1)
        << " deg apart, " << fixed(h.insidePct, 1) << "% inside; " << fixed(s.seconds, 2) << " s, "
        << fixed(s.cpuSeconds, 2) << " s CPU)\n";
    for (const std::string& reason : check.reasons) {
        out << "  - " << reason << "\n";
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
    std::ostringstream out;
    out << "functional\tverdict\tdisplacement_mm\tcentre_distance_mm\trotation_deg\thandedness_matches\t"
           "inside_pct\toverlap_voxels\tat_header\tbest\tmirrored_best\tlr_flip_suspected\t"
           "translation_x_mm\ttranslation_y_mm\ttranslation_z_mm\trotation_x_deg\trotation_y_deg\t"
           "rotation_z_deg\tseconds\tcpu_seconds\torientation_suspected\torientation_decided\tconfidence\t"
           "uncertainty_mm\treasons\n";
    for (const RunCheck& c : checks) {
        const HeaderComparison& h = c.header;
        const SearchResult& s = c.search;
        std::string reasons;
        for (const std::string& reason : c.reasons) {
            reasons += (reasons.empty() ? "" : "; ") + reason;
        }
        out << field(c.functionalPath) << '\t' << verdictName(c.verdict) << '\t' << fixed(s.displacementMm, 3)
            << '\t' << fixed(h.centreDistanceMm, 3) << '\t' << fixed(h.rotationDeg, 3) << '\t'
            << (h.handednessMatches ? "true" : "false") << '\t' << fixed(h.insidePct, 2) << '\t'
            << h.overlapVoxels << '\t' << fixed(s.atHeader, 5) << '\t' << fixed(s.best, 5) << '\t'
            << fixed(s.mirroredBest, 5) << '\t' << (s.lrFlipSuspected ? "true" : "false");
        for (double t : s.translationMm) {
            out << '\t' << fixed(t, 3);
        }
        for (double r : s.rotationDeg) {
            out << '\t' << fixed(r, 3);
        }
        out << '\t' << fixed(s.seconds, 3) << '\t' << fixed(s.cpuSeconds, 3) << '\t'
            << field(c.orientation.suspected) << '\t' << (c.orientation.decided ? "true" : "false") << '\t'
            << fixed(c.confidence, 3) << '\t' << fixed(s.uncertaintyMm, 3) << '\t' << field(reasons) << '\n';
    }
    return out.str();
}
