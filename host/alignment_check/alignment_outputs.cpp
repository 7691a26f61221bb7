// Formatting of the check's results; JSON through nlohmann-json, which writes non-finite numbers as null.
#include "host/alignment_check/alignment_outputs.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <sstream>

#include "host/alignment_check/verdict.h"
#include "host/terminal/number_text.h"

namespace {

using nlohmann::json;

json optionalNumber(const std::optional<double>& value) {
    return value ? json(*value) : json(nullptr);
}

json runJson(const RunCheck& check) {
    const HeaderComparison& h = check.header;
    const SearchResult& s = check.search;
    json correction = json::array();
    for (const auto& row : s.correction) {
        correction.push_back(json(std::vector<double>(row.begin(), row.end())));
    }
    json run = {
        {"functional", check.functionalPath},
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
          {"mirror_evidence_nats", {{"for", s.mirrorEvidenceFor}, {"against", s.mirrorEvidenceAgainst}}},
          {"seconds", s.seconds},
          {"cpu_seconds", s.cpuSeconds}}},
        {"verdict", verdictName(check.verdict)},
        {"reasons", check.reasons}};
    if (!check.error.empty()) {
        run["error"] = check.error;
    }
    return run;
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
        out << "displacement " << fixedText(s.displacementMm, 1) << " mm, NMI " << fixedText(s.atHeader, 4)
            << " at header, " << fixedText(s.best, 4) << " best, " << fixedText(s.mirroredBest, 4)
            << " mirrored; ";
    } else {
        out << "not searched; ";
    }
    out << "centres " << fixedText(h.centreDistanceMm, 1) << " mm apart, grids "
        << fixedText(h.rotationDeg, 1) << " deg apart, " << fixedText(h.insidePct, 1) << "% inside; "
        << fixedText(s.seconds, 2) << " s, " << fixedText(s.cpuSeconds, 2) << " s CPU)\n";
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
           "rotation_z_deg\tseconds\tcpu_seconds\treasons\n";
    for (const RunCheck& c : checks) {
        const HeaderComparison& h = c.header;
        const SearchResult& s = c.search;
        std::string reasons;
        for (const std::string& reason : c.reasons) {
            reasons += (reasons.empty() ? "" : "; ") + reason;
        }
        out << field(c.functionalPath) << '\t' << verdictName(c.verdict) << '\t'
            << fixedText(s.displacementMm, 3) << '\t' << fixedText(h.centreDistanceMm, 3) << '\t'
            << fixedText(h.rotationDeg, 3) << '\t' << (h.handednessMatches ? "true" : "false") << '\t'
            << fixedText(h.insidePct, 2) << '\t' << h.overlapVoxels << '\t' << fixedText(s.atHeader, 5)
            << '\t' << fixedText(s.best, 5) << '\t' << fixedText(s.mirroredBest, 5) << '\t'
            << (s.lrFlipSuspected ? "true" : "false");
        for (double t : s.translationMm) {
            out << '\t' << fixedText(t, 3);
        }
        for (double r : s.rotationDeg) {
            out << '\t' << fixedText(r, 3);
        }
        out << '\t' << fixedText(s.seconds, 3) << '\t' << fixedText(s.cpuSeconds, 3) << '\t' << field(reasons)
            << '\n';
    }
    return out.str();
}
