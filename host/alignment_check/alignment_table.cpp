// Rows of the alignment table, their order and their TSV form.
#include "host/alignment_check/alignment_table.h"
#include "host/terminal/number_text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <tuple>

const std::vector<std::string> kAlignmentColumns = {"subject",
                                                    "session",
                                                    "run",
                                                    "verdict",
                                                    "displacement_mm",
                                                    "translation_x_mm",
                                                    "translation_y_mm",
                                                    "translation_z_mm",
                                                    "rotation_x_deg",
                                                    "rotation_y_deg",
                                                    "rotation_z_deg",
                                                    "centre_distance_mm",
                                                    "grid_rotation_deg",
                                                    "handedness_matches",
                                                    "inside_pct",
                                                    "overlap_voxels",
                                                    "measure",
                                                    "at_header",
                                                    "best",
                                                    "mirrored_best",
                                                    "lr_flip_suspected",
                                                    "seconds",
                                                    "cpu_seconds",
                                                    "orientation_suspected",
                                                    "orientation_decided",
                                                    "confidence",
                                                    "uncertainty_mm",
                                                    "reasons",
                                                    "functional",
                                                    "anatomical",
                                                    "report"};

namespace {

std::string cleanText(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text.empty() ? "n/a" : text;
}

int severity(const std::string& verdict) {
    return verdict == "fail" ? 3 : verdict == "inconclusive" ? 2 : verdict == "warn" ? 1 : 0;
}

std::vector<std::string> splitFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

} // namespace

TableRow alignmentRow(const RunIdentity& id, const RunCheck& c) {
    std::string reasons;
    for (const std::string& reason : c.reasons) {
        reasons += (reasons.empty() ? "" : "; ") + reason;
    }
    if (!c.error.empty() && reasons.find(c.error) == std::string::npos) {
        reasons += (reasons.empty() ? "" : "; ") + c.error;
    }
    TableRow row = {cleanText(id.subject), cleanText(id.session), cleanText(id.run), verdictName(c.verdict)};
    if (c.error.empty()) {
        const SearchResult& s = c.search;
        const HeaderComparison& h = c.header;
        for (double v :
             {s.displacementMm, s.translationMm[0], s.translationMm[1], s.translationMm[2], s.rotationDeg[0],
              s.rotationDeg[1], s.rotationDeg[2], h.centreDistanceMm, h.rotationDeg}) {
            row.push_back(fixedText(v, 3));
        }
        row.push_back(h.handednessMatches ? "true" : "false");
        row.push_back(fixedText(h.insidePct, 2));
        row.push_back(std::to_string(h.overlapVoxels));
        row.push_back(cleanText(s.measure));
        for (double v : {s.atHeader, s.best, s.mirroredBest}) {
            row.push_back(fixedText(v, 5));
        }
        row.push_back(s.lrFlipSuspected ? "true" : "false");
        row.push_back(fixedText(s.seconds, 3));
        row.push_back(fixedText(s.cpuSeconds, 3));
        row.push_back(c.orientation.suspected.empty() ? "none" : cleanText(c.orientation.suspected));
        row.push_back(c.orientation.decided ? "true" : "false");
        row.push_back(fixedText(c.confidence, 3));
        row.push_back(fixedText(s.uncertaintyMm, 3));
    } else {
        row.insert(row.end(), kColumnReasons - row.size(), "n/a");
    }
    row.push_back(cleanText(reasons));
    row.push_back(cleanText(c.functionalPath));
    row.push_back(cleanText(c.anatomicalPath));
    row.push_back(cleanText(id.report));
    return row;
}

bool rowWasChecked(const TableRow& row) {
    return row[kColumnDisplacement] != "n/a";
}

void sortWorstFirst(std::vector<TableRow>& rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const TableRow& a, const TableRow& b) {
        int sa = severity(a[kColumnVerdict]), sb = severity(b[kColumnVerdict]);
        if (sa != sb) {
            return sa > sb;
        }
        bool checkedA = rowWasChecked(a), checkedB = rowWasChecked(b);
        if (checkedA != checkedB) {
            return !checkedA;
        }
        if (checkedA) {
            double da = strtod(a[kColumnDisplacement].c_str(), nullptr),
                   db = strtod(b[kColumnDisplacement].c_str(), nullptr);
            if (da != db) {
                return da > db;
            }
        }
        return std::tie(a[kColumnSubject], a[kColumnRun]) < std::tie(b[kColumnSubject], b[kColumnRun]);
    });
}

std::string alignmentTableText(const std::vector<TableRow>& rows) {
    std::string text;
    auto appendLine = [&text](const TableRow& row) {
        for (size_t i = 0; i < row.size(); ++i) {
            text += (i ? "\t" : "") + row[i];
        }
        text += "\n";
    };
    appendLine(kAlignmentColumns);
    for (const TableRow& row : rows) {
        appendLine(row);
    }
    return text;
}

ParsedTable parseAlignmentTable(const std::string& text, const std::string& source) {
    ParsedTable table;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        const std::string at = source + ":" + std::to_string(number) + ": ";
        TableRow row = splitFields(line);
        if (number == 1) {
            if (row != kAlignmentColumns) {
                table.error = at + "is not the header of an alignment table of this version (" +
                              std::to_string(kAlignmentColumns.size()) + " columns from subject to report)";
                break;
            }
            continue;
        }
        if (row.size() != kAlignmentColumns.size()) {
            table.error = at + "has " + std::to_string(row.size()) + " fields, not " +
                          std::to_string(kAlignmentColumns.size());
            break;
        }
        if (severity(row[kColumnVerdict]) == 0 && row[kColumnVerdict] != "pass") {
            table.error = at + "has no verdict (pass, warn or fail) in its verdict column";
            break;
        }
        table.rows.push_back(row);
    }
    if (table.error.empty() && number == 0) {
        table.error = source + ": is empty, not an alignment table";
    }
    if (table.error.empty() && !text.empty() && text.back() != '\n') {
        table.error = source + ":" + std::to_string(number) + ": ends without a line break (cut off?)";
    }
    if (!table.error.empty()) {
        table.rows.clear();
    }
    return table;
}
