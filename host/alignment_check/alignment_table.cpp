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
                                                    "reasons",
                                                    "functional",
                                                    "anatomical",
                                                    "report"};

namespace {

enum Column { kSubject = 0, kSession = 1, kRun = 2, kVerdict = 3, kDisplacement = 4 };

std::string cleanText(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text.empty() ? "n/a" : text;
}

int severity(const std::string& verdict) {
    return verdict == "fail" ? 2 : verdict == "warn" ? 1 : 0;
}

} // namespace

TableRow alignmentRow(const RunIdentity& id, const RunCheck& c) {
    const char* verdict = verdictName(c.verdict);
    std::string reasons;
    for (const std::string& reason : c.reasons) {
        reasons += (reasons.empty() ? "" : "; ") + reason;
    }
    if (!c.error.empty() && reasons.find(c.error) == std::string::npos) {
        reasons += (reasons.empty() ? "" : "; ") + c.error;
    }
    TableRow row = {cleanText(id.subject), cleanText(id.session), cleanText(id.run), verdict};
    if (c.error.empty()) {
        const SearchResult& s = c.search;
        const HeaderComparison& h = c.header;
        for (double v :
             {s.displacementMm, s.translationMm[0], s.translationMm[1], s.translationMm[2], s.rotationDeg[0],
              s.rotationDeg[1], s.rotationDeg[2], h.centreDistanceMm, h.rotationDeg}) {
            row.push_back(fixedText(v, 2));
        }
        row.push_back(h.handednessMatches ? "true" : "false");
        row.push_back(fixedText(h.insidePct, 1));
        row.push_back(std::to_string(h.overlapVoxels));
        row.push_back(cleanText(s.measure));
        for (double v : {s.atHeader, s.best, s.mirroredBest}) {
            row.push_back(fixedText(v, 4));
        }
        row.push_back(s.lrFlipSuspected ? "true" : "false");
    } else {
        row.insert(row.end(), kAlignmentColumns.size() - row.size() - 4, "n/a");
    }
    row.push_back(cleanText(reasons));
    row.push_back(cleanText(c.functionalPath));
    row.push_back(cleanText(c.anatomicalPath));
    row.push_back(cleanText(id.report));
    return row;
}

void sortWorstFirst(std::vector<TableRow>& rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const TableRow& a, const TableRow& b) {
        int sa = severity(a[kVerdict]), sb = severity(b[kVerdict]);
        if (sa != sb) {
            return sa > sb;
        }
        bool checkedA = a[kDisplacement] != "n/a", checkedB = b[kDisplacement] != "n/a";
        if (checkedA != checkedB) {
            return !checkedA;
        }
        if (checkedA) {
            double da = strtod(a[kDisplacement].c_str(), nullptr),
                   db = strtod(b[kDisplacement].c_str(), nullptr);
            if (da != db) {
                return da > db;
            }
        }
        return std::tie(a[kSubject], a[kRun]) < std::tie(b[kSubject], b[kRun]);
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

std::vector<TableRow> parseAlignmentTable(const std::string& text) {
    std::vector<TableRow> rows;
    std::istringstream lines(text);
    std::string line;
    bool header = true;
    while (std::getline(lines, line)) {
        if (header) {
            header = false;
            continue;
        }
        TableRow row;
        std::istringstream fields(line);
        std::string field;
        while (std::getline(fields, field, '\t')) {
            row.push_back(field);
        }
        if (row.size() == kAlignmentColumns.size()) {
            rows.push_back(row);
        }
    }
    return rows;
}
