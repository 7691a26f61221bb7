// Command line parsing with CLI11.
#include "host/cli/command_line.h"

#include <CLI/CLI.hpp>

#include <map>
#include <ostream>

#include "host/cli/option_parsing.h"

namespace {

// Reads "A.B.C" with three whole numbers of at most five digits each; false for anything else.
bool parseVersion(const std::string& text, int version[3]) {
    size_t at = 0;
    for (int part = 0; part < 3; ++part) {
        size_t digits = 0;
        int value = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 6) {
            value = value * 10 + (text[at] - '0');
            ++at;
            ++digits;
        }
        if (digits == 0 || digits > 5) {
            return false;
        }
        version[part] = value;
        if (part < 2) {
            if (at >= text.size() || text[at] != '.') {
                return false;
            }
            ++at;
        }
    }
    return at == text.size();
}

} // namespace

ParsedCommandLine parseCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    ParsedCommandLine result;
    AppOptions& o = result.options;
    CLI::App app{
        "Zentrovis runs the posalign plug-in the way the imaging host does, on NIfTI-1 files or on a "
        "built-in\n"
        "phantom. The plug-in checks where a functional run lies against an anatomical scan of the same\n"
        "head: it composes each run's mapping from the file headers, logs every factor, projects one grid\n"
        "into the other and logs how well the two agree where they overlap (SSD, NCC).\n"
        "\n"
        "  VMR  the anatomical volume: one 3-D image (--vmr).\n"
        "  FMR  a functional run: a 3-D or 4-D image (--fmr), one or two of them.\n"
        "\n"
        "The plug-in offers three mappings (--mapping, or asked on the terminal):\n"
        "  1  FMR -> VMR  paints the functional runs into the anatomical.\n"
        "  2  VMR -> FMR  resamples the anatomical into each run's grid and saves each run with the\n"
        "                 result in its first volume, as FUNC_VMR.nii.gz.\n"
        "  3  FMR -> FMR  paints both runs into the anatomical, copies the second run into the first\n"
        "                 where both overlap and saves the first as FUNC1_from_FUNC2.nii.gz.\n"
        "Every run writes the plug-in's log (posalign.log), the anatomical as the run left it\n"
        "(ANAT_posalign.nii.gz) and a picture for every window update; a run on files also writes\n"
        "report.html, the alignment check of each functional against the anatomical with the log.\n",
        "Zentrovis"};
    app.get_formatter()->column_width(34);
    app.add_flag("--demo", o.demo, "Run on the built-in phantom (an anatomical and two functional runs)");
    app.add_flag("--small-phantom", o.smallPhantom, "With --demo: the small, fast phantom (64^3 anatomical)");
    app.add_option("--phantom-runs", o.phantomRuns, "With --demo: number of functional runs")
        ->check(CLI::Range(1, 2).description(""))
        ->option_text("1 or 2");
    app.add_option("--vmr", o.anatomicalPath,
                   "Anatomical image (.nii or .nii.gz, 3-D, at most 512 voxels per axis)")
        ->option_text("FILE");
    app.add_option("--fmr", o.functionalPaths,
                   "Functional image (.nii or .nii.gz, 3-D or 4-D); give it twice for a second run")
        ->option_text("FILE");
    app.add_option("--mapping", o.mapping, "Which mapping to run (see above); asked when left out")
        ->check(CLI::Range(1, 3).description(""))
        ->option_text("1, 2 or 3");
    app.add_option("--out", o.outDir, "Folder for the outputs, created when missing (default: posalign-out)")
        ->option_text("DIR");
    std::string compression = "fast";
    app.add_option("--compression", compression,
                   "fast (the default), default or best gzip level; none: plain .nii files")
        ->option_text("LEVEL");
    app.add_option("--plugin", o.pluginPath,
                   "Plug-in module to load (default: posalign.so next to Zentrovis)")
        ->option_text("FILE");
    std::string hostVersion;
    app.add_option("--host-version", hostVersion,
                   "Version the host reports to the plug-in (to try its version check)")
        ->option_text("A.B.C");
    app.add_flag("--force", o.force, "Replace outputs that exist already (inputs are never replaced)");
    bool noReport = false;
    app.add_flag("--no-report", noReport,
                 "Leave out report.html (the alignment check runs on a second core)");
    app.footer(
        "Examples:\n"
        "  Zentrovis --demo --mapping 1 --out out/demo\n"
        "  Zentrovis --vmr anat.nii.gz --fmr run1.nii.gz --fmr run2.nii.gz --mapping 3 --out results\n"
        "  Zentrovis check --help   (the alignment check of functional runs against an anatomical)\n"
        "\n"
        "Exit status: 0 the plug-in finished its run, 1 it stopped (refused the documents or the host),\n"
        "2 bad command line or input (nothing is written), 3 an output could not be written.");
    if (const std::optional<int> stop = parseOptions(app, argc, argv, "Zentrovis", out, err)) {
        result.exitCode = *stop;
        return result;
    }
    o.report = !noReport;
    std::string problem;
    if (o.demo && (!o.anatomicalPath.empty() || !o.functionalPaths.empty())) {
        problem = "--demo runs on the phantom; it does not take --vmr or --fmr";
    } else if (!o.demo && (o.smallPhantom || app.count("--phantom-runs") > 0)) {
        problem = "--small-phantom and --phantom-runs go with --demo";
    } else if (!o.demo && (o.anatomicalPath.empty() || o.functionalPaths.empty())) {
        problem = "give --demo, or --vmr ANATOMICAL with one or two --fmr FUNCTIONAL";
    } else if (o.functionalPaths.size() > 2) {
        problem = "at most two --fmr images can be checked against one anatomical";
    } else if (o.outDir.empty()) {
        problem = "--out needs a folder name";
    }
    const std::map<std::string, NiftiCompression> compressions = {{"fast", NiftiCompression::kFast},
                                                                  {"default", NiftiCompression::kDefault},
                                                                  {"best", NiftiCompression::kBest},
                                                                  {"none", NiftiCompression::kNone}};
    auto chosen = compressions.find(compression);
    if (problem.empty() && chosen == compressions.end()) {
        problem = "--compression takes fast, default, best or none, not \"" + compression + "\"";
    } else if (chosen != compressions.end()) {
        o.compression = chosen->second;
    }
    if (problem.empty() && !hostVersion.empty() && !parseVersion(hostVersion, o.hostVersion)) {
        problem = "--host-version needs three whole numbers of at most five digits, as in 2.9.9";
    }
    if (!problem.empty()) {
        result.exitCode = refuseCommandLine(err, "Zentrovis", problem);
        return result;
    }
    result.run = true;
    return result;
}
