// The group report's HTML: a summary, an SVG histogram of the displacements and the sortable run table.
#include "host/dataset_check/group_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

#include "host/alignment_report/html_report.h"
#include "host/terminal/number_text.h"

namespace {

const char* const kStyle = R"(<style>
body{font-family:system-ui,sans-serif;margin:24px;background:#fafafa;color:#222}
table{border-collapse:collapse;margin:8px 0 16px}td,th{border:1px solid #ccc;padding:3px 8px;text-align:left;
vertical-align:top;font-size:14px}th{background:#eee;cursor:pointer;user-select:none}th:hover{background:#ddd}
th.sorted-up::after{content:" \25B2"}th.sorted-down::after{content:" \25BC"}
.num{text-align:right;font-variant-numeric:tabular-nums}.pass{background:#c8f0c8}.warn{background:#fbe6a2}
.fail{background:#f6b8b8}.verdict{font-weight:bold;text-transform:uppercase}.note{color:#555;font-size:14px}
svg text{font-size:12px;fill:#222}td:nth-child(-n+7),td:nth-child(10){white-space:nowrap}td:nth-child(9){min-width:24em}
</style>)";

// Sorts the table by the clicked column; each cell's data-key is its sort key (numbers compare as numbers).
const char* const kScript = R"(<script>
document.querySelectorAll('table.sortable').forEach(function (table) {
  var heads = table.querySelectorAll('th'), body = table.tBodies[0];
  heads.forEach(function (head, column) {
    head.onclick = function () {
      var up = !head.classList.contains('sorted-up');
      heads.forEach(function (h) { h.classList.remove('sorted-up', 'sorted-down'); });
      head.classList.add(up ? 'sorted-up' : 'sorted-down');
      var rows = Array.prototype.slice.call(body.rows);
      var numeric = head.dataset.type === 'number';
      rows.sort(function (a, b) {
        var x = a.cells[column].dataset.key, y = b.cells[column].dataset.key;
        var order = numeric ? parseFloat(x) - parseFloat(y) : x.localeCompare(y);
        return (up ? order : -order) || a.dataset.rank - b.dataset.rank;
      });
      rows.forEach(function (row) { body.appendChild(row); });
    };
  });
});
</script>)";

// A link target made of the row's report path: every byte but letters, digits and -._~/ percent-encoded,
// so that no text from a table can become another kind of link (a ':' never survives).
std::string relativeLink(const std::string& path) {
    std::string link;
    for (unsigned char c : path) {
        if (isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
            link += static_cast<char>(c);
        } else {
            char escaped[4];
            snprintf(escaped, sizeof escaped, "%%%02X", c);
            link += escaped;
        }
    }
    return link.empty() || link[0] == '/' ? "" : link;
}

std::string cell(const std::string& key, const std::string& html, const std::string& cls = "") {
    return "<td" + (cls.empty() ? "" : " class=\"" + cls + "\"") + " data-key=\"" + escapeHtml(key) + "\">" +
           html + "</td>";
}

std::string triple(const TableRow& row, int first) {
    if (row[first] == "n/a") {
        return "n/a";
    }
    return escapeHtml(row[first] + ", " + row[first + 1] + ", " + row[first + 2]);
}

// The histogram as an SVG bar chart, each bar's share of pass, warn and fail runs stacked.
std::string histogramSvg(const std::vector<TableRow>& rows) {
    double largest = 0;
    for (const TableRow& row : rows) {
        if (rowWasChecked(row)) {
            largest = std::max(largest, strtod(row[kColumnDisplacement].c_str(), nullptr));
        }
    }
    const double bin = 0.5;
    const int bins = std::min(40, std::max(12, static_cast<int>(std::ceil(largest / bin)) + 1));
    std::map<std::string, std::vector<int>> byVerdict;
    int tallest = 1;
    std::vector<int> all = displacementHistogram(rows, bin, bins);
    for (const char* verdict : {"pass", "warn", "fail"}) {
        std::vector<TableRow> some;
        for (const TableRow& row : rows) {
            if (row[kColumnVerdict] == verdict) {
                some.push_back(row);
            }
        }
        byVerdict[verdict] = displacementHistogram(some, bin, bins);
    }
    for (int count : all) {
        tallest = std::max(tallest, count);
    }
    const int width = 640, height = 220, left = 40, bottom = 30, top = 10;
    const double barWidth = static_cast<double>(width - left - 10) / bins;
    const double unit = static_cast<double>(height - bottom - top) / tallest;
    std::string svg = "<svg role=\"img\" aria-label=\"Distribution of displacements\" width=\"" +
                      std::to_string(width) + "\" height=\"" + std::to_string(height) + "\">\n";
    const std::map<std::string, std::string> colour = {
        {"pass", "#5cb85c"}, {"warn", "#e0a800"}, {"fail", "#d9534f"}};
    for (int b = 0; b < bins; ++b) {
        double y = height - bottom;
        for (const char* verdict : {"pass", "warn", "fail"}) {
            const int count = byVerdict[verdict][b];
            if (count > 0) {
                y -= count * unit;
                svg += "<rect x=\"" + fixedText(left + b * barWidth + 1, 1) + "\" y=\"" + fixedText(y, 1) +
                       "\" width=\"" + fixedText(barWidth - 2, 1) + "\" height=\"" +
                       fixedText(count * unit, 1) + "\" fill=\"" + colour.at(verdict) + "\"><title>" +
                       std::to_string(count) + " " + verdict + ", " + fixedText(b * bin, 1) +
                       (b + 1 == bins ? " mm and more" : "-" + fixedText((b + 1) * bin, 1) + " mm") +
                       "</title></rect>\n";
            }
        }
    }
    // The verdict limits (2 and 5 mm) and the axes.
    for (double limit : {2.0, 5.0}) {
        const double x = left + limit / bin * barWidth;
        svg += "<line x1=\"" + fixedText(x, 1) + "\" x2=\"" + fixedText(x, 1) + "\" y1=\"" +
               std::to_string(top) + "\" y2=\"" + std::to_string(height - bottom) +
               "\" stroke=\"#555\" stroke-dasharray=\"4 3\"/>\n";
    }
    svg += "<line x1=\"" + std::to_string(left) + "\" x2=\"" + std::to_string(width - 10) + "\" y1=\"" +
           std::to_string(height - bottom) + "\" y2=\"" + std::to_string(height - bottom) +
           "\" stroke=\"#222\"/>\n";
    for (int b = 0; b <= bins; b += 2) {
        svg += "<text x=\"" + fixedText(left + b * barWidth, 1) + "\" y=\"" +
               std::to_string(height - bottom + 15) + "\" text-anchor=\"middle\">" + fixedText(b * bin, 0) +
               "</text>\n";
    }
    svg += "<text x=\"" + std::to_string(width - 10) + "\" y=\"" + std::to_string(height - 2) +
           "\" text-anchor=\"end\">mean displacement (mm); dashed: the 2 and 5 mm limits</text>\n";
    svg += "<text x=\"" + std::to_string(left - 6) + "\" y=\"" + std::to_string(top + 10) +
           "\" text-anchor=\"end\">" + std::to_string(tallest) + "</text>\n";
    svg += "<text x=\"" + std::to_string(left - 6) + "\" y=\"" + std::to_string(height - bottom) +
           "\" text-anchor=\"end\">0</text>\n";
    return svg + "</svg>\n";
}

} // namespace

std::vector<int> displacementHistogram(const std::vector<TableRow>& rows, double binMm, int bins) {
    std::vector<int> counts(bins, 0);
    for (const TableRow& row : rows) {
        if (!rowWasChecked(row)) {
            continue;
        }
        const double value = strtod(row[kColumnDisplacement].c_str(), nullptr);
        const int bin = value >= 0 && std::isfinite(value) ? static_cast<int>(value / binMm) : bins - 1;
        ++counts[std::min(bin, bins - 1)];
    }
    return counts;
}

std::string groupReportHtml(const std::vector<TableRow>& rows) {
    std::map<std::string, int> verdicts;
    std::set<std::string> participants;
    int unchecked = 0;
    for (const TableRow& row : rows) {
        ++verdicts[row[kColumnVerdict]];
        participants.insert(row[kColumnSubject]);
        unchecked += rowWasChecked(row) ? 0 : 1;
    }
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                       "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                       "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">\n<title>Alignment check: "
                       "every run</title>\n" +
                       std::string(kStyle) + "</head><body>\n<h1>Alignment check: every run</h1>\n";
    html += "<p>" + std::to_string(rows.size()) + " runs of " + std::to_string(participants.size()) +
            " participants: " + std::to_string(verdicts["fail"]) + " fail, " +
            std::to_string(verdicts["warn"]) + " warn, " + std::to_string(verdicts["pass"]) + " pass" +
            (unchecked > 0 ? "; " + std::to_string(unchecked) + " could not be checked (their rows say why)"
                           : "") +
            ".</p>\n";
    html += "<h2>Distribution of the displacements</h2>\n" + histogramSvg(rows);
    html +=
        "<p class=\"note\">Mean displacement of each run's in-brain voxels between its header position and "
        "the best match the check found: pass at most 2 mm, warn at most 5 mm. A run can also fail for a "
        "suspected left-right flip or too little overlap whatever its displacement.</p>\n";
    html +=
        "<h2>Runs</h2>\n<p class=\"note\">Worst first; click a column's title to sort by it.</p>\n"
        "<table class=\"sortable\"><thead><tr><th data-type=\"number\">Verdict</th><th>Participant</th>"
        "<th>Session</th><th>Run</th><th data-type=\"number\">Displacement (mm)</th>"
        "<th data-type=\"number\">Translation x, y, z (mm)</th><th data-type=\"number\">Rotation x, y, z "
        "(deg)</th><th>Left-right flip suspected</th><th>Reasons</th><th>Report</th></tr></thead><tbody>\n";
    for (size_t i = 0; i < rows.size(); ++i) {
        const TableRow& row = rows[i];
        const std::string& verdict = row[kColumnVerdict];
        const std::string rank = std::to_string(i);
        const bool checked = rowWasChecked(row);
        // Unchecked runs sort as the largest displacement, as they do in the table.
        const std::string displacementKey = checked ? row[kColumnDisplacement] : "1e9";
        auto magnitude = [&row, checked](int first) {
            double sum = 0;
            for (int k = 0; checked && k < 3; ++k) {
                const double v = strtod(row[first + k].c_str(), nullptr);
                sum += v * v;
            }
            return checked ? fixedText(std::sqrt(sum), 4) : "1e9";
        };
        const std::string link = relativeLink(row[kColumnReport]);
        html += "<tr data-rank=\"" + rank + "\">" + cell(rank, verdict, verdict + " verdict") +
                cell(row[kColumnSubject], escapeHtml(row[kColumnSubject])) +
                cell(row[kColumnSession], escapeHtml(row[kColumnSession])) +
                cell(row[kColumnRun], escapeHtml(row[kColumnRun])) +
                cell(displacementKey, escapeHtml(row[kColumnDisplacement]), "num") +
                cell(magnitude(kColumnTranslationX), triple(row, kColumnTranslationX), "num") +
                cell(magnitude(kColumnRotationX), triple(row, kColumnRotationX), "num") +
                cell(row[kColumnLrFlip], escapeHtml(row[kColumnLrFlip])) +
                cell(row[kColumnReasons], escapeHtml(row[kColumnReasons])) +
                cell(link, link.empty() ? ""
                                        : "<a href=\"" + escapeHtml(link) + "\">" +
                                              escapeHtml(row[kColumnReport]) + "</a>") +
                "</tr>\n";
    }
    return html + "</tbody></table>\n" + kScript + "\n</body></html>\n";
}
