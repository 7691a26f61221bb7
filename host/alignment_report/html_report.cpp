// The HTML text of the alignment report.
#include "host/alignment_report/html_report.h"

#include <cstdio>

#include "host/pictures/png_data_uri.h"
#include "host/terminal/number_text.h"

namespace {

const char* const kStyle = R"(<style>
body{font-family:system-ui,sans-serif;margin:24px;background:#fafafa;color:#222}
.pair{display:flex;flex-wrap:wrap;gap:8px}table,p{max-width:1200px}
table{border-collapse:collapse;margin:8px 0 16px}td,th{border:1px solid #ccc;padding:3px 8px;text-align:left;
vertical-align:top;font-size:14px}th{background:#eee}.num{text-align:right;font-variant-numeric:tabular-nums}
.pass{background:#c8f0c8}.warn{background:#fbe6a2}.fail{background:#f6b8b8}.inconclusive{background:#d8d8f0}
.verdict{font-weight:bold;text-transform:uppercase}img{display:block;max-width:100%;margin:4px 0}img[hidden]{display:none}
.flicker button{margin:2px 4px 2px 0}.flicker button.on{font-weight:bold}pre{background:#fff;border:1px solid #ccc;
padding:8px;overflow:auto;max-height:420px;font-size:12px}.note{color:#555;font-size:14px}
section{border-top:2px solid #ccc;margin-top:24px}.problem{color:#b00020}#picture-status{color:#555;font-size:13px}
</style>)";

// Shows one frame of each flicker at a time; the check box alternates the anatomy with the chosen
// functional. The status line says whether every picture decoded (a cut file shows up there).
const char* const kScript = R"(<script>
document.querySelectorAll('.flicker').forEach(function (box) {
  var frames = box.querySelectorAll('img'), buttons = box.querySelectorAll('button');
  var shown = 1, chosen = 1, timer = null;
  function show(i) {
    frames.forEach(function (f, k) { f.hidden = k !== i; });
    buttons.forEach(function (b, k) { b.classList.toggle('on', k === i); });
    shown = i;
  }
  buttons.forEach(function (b, k) { b.onclick = function () { chosen = k === 0 ? chosen : k; show(k); }; });
  box.querySelector('input').onchange = function (e) {
    clearInterval(timer);
    if (e.target.checked) { timer = setInterval(function () { show(shown === 0 ? chosen : 0); }, 700); }
  };
  show(1);
});
window.addEventListener('load', function () {
  var images = document.querySelectorAll('img'), loaded = 0;
  images.forEach(function (i) { if (i.complete && i.naturalWidth > 0) { loaded++; } });
  var status = document.getElementById('picture-status');
  status.dataset.loaded = loaded;
  status.dataset.total = images.length;
  status.textContent = loaded === images.length ? 'All ' + loaded + ' pictures shown.'
      : (images.length - loaded) + ' of ' + images.length + ' pictures could not be shown.';
});
</script>)";

std::string triple(const std::array<double, 3>& v, int digits) {
    return fixedText(v[0], digits) + ", " + fixedText(v[1], digits) + ", " + fixedText(v[2], digits);
}

const char* verdictClass(Verdict verdict) {
    return verdictName(verdict);
}

std::string reasonsText(const RunCheck& check) {
    std::string text;
    for (const std::string& reason : check.reasons) {
        text += (text.empty() ? "" : "; ") + reason;
    }
    if (!check.error.empty() && text.find(check.error) == std::string::npos) {
        text += (text.empty() ? "" : "; ") + check.error;
    }
    return text;
}

std::string anchor(size_t index) {
    return "run-" + std::to_string(index + 1);
}

std::string cell(const std::string& text, const char* cls = nullptr) {
    return std::string("<td") + (cls ? std::string(" class=\"") + cls + "\"" : "") + ">" + text + "</td>";
}

std::string verdictTable(const ReportPage& page) {
    std::string html = "<table><tr><th>Run</th><th>Verdict</th><th>Mean displacement (mm)</th>"
                       "<th>Correction: translation (mm)</th><th>Rotation (&deg;)</th>"
                       "<th>Functional inside anatomy (%)</th><th>Reasons</th></tr>\n";
    for (size_t i = 0; i < page.runs.size(); ++i) {
        const RunCheck& c = page.runs[i].check;
        const char* cls = verdictClass(c.verdict);
        html += "<tr>" + cell("<a href=\"#" + anchor(i) + "\">" + escapeHtml(page.runs[i].name) + "</a>") +
                cell(verdictClass(c.verdict), (std::string("verdict ") + cls).c_str());
        if (c.error.empty()) {
            html += cell(fixedText(c.search.displacementMm, 1), "num") +
                    cell(triple(c.search.translationMm, 1), "num") +
                    cell(triple(c.search.rotationDeg, 1), "num") +
                    cell(fixedText(c.header.insidePct, 1), "num");
        } else {
            html += "<td colspan=\"4\">not checked</td>";
        }
        html += cell(escapeHtml(reasonsText(c))) + "</tr>\n";
    }
    return html + "</table>\n";
}

std::string optionalMm(const std::optional<double>& value) {
    return value ? fixedText(*value, 2) : std::string("not both set");
}

std::string numbersTable(const RunCheck& c) {
    const HeaderComparison& h = c.header;
    const SearchResult& s = c.search;
    std::string matrix;
    for (int i = 0; i < 4; ++i) {
        matrix += (i ? "<br>" : "") + fixedText(s.correction[i][0], 4) + " " +
                  fixedText(s.correction[i][1], 4) + " " + fixedText(s.correction[i][2], 4) + " " +
                  fixedText(s.correction[i][3], 3);
    }
    std::string rows[][2] = {
        {"Functional", escapeHtml(c.functionalPath)},
        {"Anatomical", escapeHtml(c.anatomicalPath)},
        {"Distance of the fields of view's centres (mm)", fixedText(h.centreDistanceMm, 2)},
        {"Rotation between the grids (&deg;)", fixedText(h.rotationDeg, 2)},
        {"Handedness matches", h.handednessMatches ? "yes" : "no"},
        {"qform against sform, anatomical (mm)", optionalMm(h.anatomicalQformSformMm)},
        {"qform against sform, functional (mm)", optionalMm(h.functionalQformSformMm)},
        {"Functional voxels inside the anatomical",
         fixedText(h.insidePct, 1) + " % (" + std::to_string(h.overlapVoxels) + " voxels)"},
        {"Measure", escapeHtml(s.measure)},
        {"At the header position", fixedText(s.atHeader, 4)},
        {"At the best position", fixedText(s.best, 4)},
        {"Best with the functional mirrored left-right", fixedText(s.mirroredBest, 4)},
        {"Left-right flip suspected", s.lrFlipSuspected ? "yes" : "no"},
        {"Correction (world mm; times the functional's affine gives the best position)",
         "<code>" + matrix + "</code>"},
        {"Mean displacement of the in-brain voxels (mm)", fixedText(s.displacementMm, 2)},
        {"Search time (s)", fixedText(s.seconds, 2)},
    };
    std::string html = "<table>";
    for (const auto& row : rows) {
        html += "<tr><th>" + row[0] + "</th><td>" + row[1] + "</td></tr>";
    }
    return html + "</table>\n";
}

std::string image(const std::string& uri, const std::string& alt) {
    return uri.empty() ? std::string() : "<img src=\"" + uri + "\" alt=\"" + escapeHtml(alt) + "\">";
}

std::string flicker(const ReportPictures& p) {
    std::string html =
        "<div class=\"flicker\"><button>Anatomy</button><button>Functional, header position</button>";
    if (!p.functionalAtBest.empty()) {
        html += "<button>Functional, best position</button>";
    }
    html += "<label><input type=\"checkbox\"> flicker with the anatomy</label>";
    html += image(p.anatomy, "anatomy") + image(p.functionalAtHeader, "functional at the header position") +
            image(p.functionalAtBest, "functional at the best position");
    return html + "</div>\n";
}

std::string runSection(const ReportRun& run, size_t index) {
    const RunCheck& c = run.check;
    std::string html = "<section id=\"" + anchor(index) + "\"><h2>" + escapeHtml(run.name) +
                       " &mdash; <span class=\"" + verdictClass(c.verdict) + " verdict\">" +
                       verdictClass(c.verdict) + "</span></h2>\n";
    html += "<p>" + escapeHtml(reasonsText(c)) + "</p>\n";
    if (c.givenTransform) {
        const GivenTransformCheck& given = *c.givenTransform;
        std::string reasons;
        for (const std::string& reason : given.reasons) {
            reasons += (reasons.empty() ? "" : "; ") + reason;
        }
        html += "<p>Given registration " + escapeHtml(given.path) + " (" + escapeHtml(given.format) +
                "): <span class=\"" + verdictClass(given.verdict) + " verdict\">" +
                verdictClass(given.verdict) + "</span>; " + escapeHtml(reasons) + "</p>\n";
    }
    if (!c.error.empty()) {
        return html + "<p>" + escapeHtml(c.functionalPath) + "</p></section>\n";
    }
    html += numbersTable(c);
    // Side by side where the window is wide enough, one above the other where it is not.
    html += "<h3>Edges of the anatomy over the functional</h3>\n<div class=\"pair\">" +
            image(run.pictures.edgesAtHeader, "edges at the header position") +
            image(run.pictures.edgesAtBest, "edges at the best position") + "</div>\n";
    html += "<h3>Functional and anatomy in turn</h3>\n" + flicker(run.pictures);
    return html + "</section>\n";
}

} // namespace

ReportPictures reportPictures(const RunPictures& p) {
    auto uri = [](const RgbImage& image) { return image.width > 0 ? pngDataUri(image) : std::string(); };
    return ReportPictures{uri(p.edgesAtHeader), uri(p.edgesAtBest), uri(p.anatomy), uri(p.functionalAtHeader),
                          uri(p.functionalAtBest)};
}

std::string escapeHtml(const std::string& text) {
    std::string out;
    for (char ch : text) {
        switch (ch) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += ch;
        }
    }
    return out;
}

std::string reportHtml(const ReportPage& page) {
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; img-src data:; "
        "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">\n<title>" +
        escapeHtml(page.title) + "</title>\n" + kStyle + "</head><body>\n<h1>" + escapeHtml(page.title) +
        "</h1>\n";
    html += "<p class=\"note\">Pictures show world planes (RAS, mm) in the neurological convention: the "
            "subject's "
            "left on the left, letters at every edge. Lines are the anatomy's boundaries (red the brain's "
            "outline, yellow the grey/white boundary, cyan the ventricles; red edges alone when no brain is "
            "told apart); beneath them the "
            "functional's temporal mean, at its header position and at the best position the check found. "
            "The planes "
            "pass through the anatomy's centre, the same for every run of a subject. Dark blue: outside the "
            "functional's field of view.</p>\n";
    html += "<p id=\"picture-status\"></p>\n" + verdictTable(page);
    if (!page.problem.empty()) {
        html += "<p class=\"problem\">" + escapeHtml(page.problem) + "</p>\n";
    }
    for (size_t i = 0; i < page.runs.size(); ++i) {
        html += runSection(page.runs[i], i);
    }
    if (!page.pluginLog.empty()) {
        html +=
            "<section><h2>The plug-in's log</h2><pre>" + escapeHtml(page.pluginLog) + "</pre></section>\n";
    }
    return html + kScript + "\n</body></html>\n";
}
