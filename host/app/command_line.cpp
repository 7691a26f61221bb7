// Command line parsing with CLI11.
#include "host/app/command_line.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <ostream>

ParsedCommandLine parseCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    ParsedCommandLine result;
    AppOptions& o = result.options;
    CLI::App app{
        "Zentrovis stand-in host: runs the posalign plug-in on an anatomical and one or two functional "
        "NIfTI-1 images, or on a built-in phantom, and writes the plug-in's log, its saved functionals, "
        "the painted anatomical and a picture for every window update.",
        "Zentrovis"};
    app.add_flag("--demo", o.demo, "Run on the built-in phantom (an anatomical and two functional runs)");
    app.add_flag("--small-phantom", o.smallPhantom, "With --demo: the small, fast phantom (64^3 anatomical)");
    app.add_option("--phantom-runs", o.phantomRuns, "With --demo: number of functional runs (1 or 2)")
        ->check(CLI::Range(1, 2));
    app.add_option("--vmr", o.anatomicalPath,
                   "Anatomical image (.nii or .nii.gz, 3-D, at most 512 voxels per axis)");
    app.add_option("--fmr", o.functionalPaths,
                   "Functional image (.nii or .nii.gz, 3-D or 4-D); give it twice for "
                   "a second run");
    app.add_option("--mapping", o.mapping, "1: FMR -> VMR, 2: VMR -> FMR, 3: FMR -> FMR; asked when left out")
        ->check(CLI::Range(1, 3));
    app.add_option("--out", o.outDir, "Folder for the outputs (created when missing)")->capture_default_str();
    app.add_option("--plugin", o.pluginPath,
                   "Plug-in module to load (default: posalign.so next to Zentrovis)");
    std::string hostVersion;
    app.add_option("--host-version", hostVersion,
                   "Version the host reports to the plug-in, as A.B.C (to try the plug-in's version check)");
    app.add_flag("--force", o.force, "Replace outputs that exist already (inputs are never replaced)");
    app.footer(
        "Examples:\n"
        "  Zentrovis --demo --mapping 1 --out out/demo\n"
        "  Zentrovis --vmr anat.nii.gz --fmr run1.nii.gz --fmr run2.nii.gz --mapping 3 --out results\n"
        "  Zentrovis check --help   (the alignment check of functional runs against an anatomical)\n"
        "\n"
        "Exit status: 0 the plug-in finished its run, 1 it stopped (refused the documents or the host),\n"
        "2 bad command line or input (nothing is written), 3 an output could not be written.");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return result;
    } catch (const CLI::ParseError& e) {
        err << "Zentrovis: " << e.what() << "\nRun Zentrovis --help for usage.\n";
        result.exitCode = 2;
        return result;
    }
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
    if (problem.empty() && !hostVersion.empty()) {
        char end = 0;
        int* v = o.hostVersion;
        if (sscanf(hostVersion.c_str(), "%d.%d.%d%c", &v[0], &v[1], &v[2], &end) != 3 || v[0] < 0 ||
            v[1] < 0 || v[2] < 0) {
            problem = "--host-version needs three numbers, as in 2.9.9";
        }
    }
    if (!problem.empty()) {
        err << "Zentrovis: " << problem << "\nRun Zentrovis --help for usage.\n";
        result.exitCode = 2;
        return result;
    }
    result.run = true;
    return result;
}
