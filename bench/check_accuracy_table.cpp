// The alignment check's accuracy table: runs of known position, each given a known error, checked, and
// registered by elastix in the same run for reference. Pairs: an EPI simulated from the MNI152 T2 against the
// T1 resampled to 1.6 mm (see simulated_epi.h), and the phantom's EPI against its T1.
//
// Cases: the aligned run; shifts up to 30 mm; rotations up to 10 degrees about each axis; both together; the
// samples mirrored along each voxel axis (LR, AP, SI) and x and y swapped, the header left as it was.
// Per case: the residual (mean distance over the brain's voxels between the correction found and the true
// one), the verdict, the orientation finding, the time; elastix's residual and time beside them.
//
// Run by hand: check_accuracy_table [--data FOLDER] [--only mni|phantom] [--fine] [--no-reference]
//   --data: the MNI152 templates (default $POSALIGN_SHARED_DATA, else ../shared/data beside the repository);
//   --fine: the MNI run on the 90x90x60 grid of 2.4 mm instead of 64x64x40 of 3.4 mm;
//   --no-reference: without elastix (else it must be installed: apt-get install elastix).
// Prints a Markdown table and a summary line per goal.
// check_accuracy_table --write-pair DIR writes the phantom pair as NIfTI files instead (a 1.6 mm T1, the
// 90x90x60 EPI as it lies, shifted by 4 mm, and mirrored); --write-simulation DIR the MNI pair (the 1.6 mm
// T1, the 3.4 mm and 2.4 mm EPIs as they lie, and the 3.4 mm one shifted, turned, mirrored and swapped).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "host/alignment_check/alignment_check.h"
#include "host/alignment_check/check_grid.h"
#include "reference_registration.h"
#include "simulated_epi.h"

namespace {

// What the check says about the run's orientation, from its orientation finding.
struct OrientationFinding {
    std::string suspected; // the error in words ("left-right mirror", ...), empty: none
    bool decided = true;   // false: the check could not tell
};

OrientationFinding orientationFinding(const RunCheck& check) {
    OrientationFinding finding;
    finding.suspected = check.orientation.suspected;
    // The check names a swap with its axes; the table's only swap is of x and y.
    if (finding.suspected == "axes swapped (left-right with anterior-posterior)") {
        finding.suspected = "axes swapped";
    }
    finding.decided = check.orientation.decided;
    return finding;
}

// The words a right finding uses for each error.
const char* expectedFinding(OrientationError error) {
    switch (error) {
    case OrientationError::kMirrorX:
        return "left-right mirror";
    case OrientationError::kMirrorY:
        return "anterior-posterior mirror";
    case OrientationError::kMirrorZ:
        return "superior-inferior mirror";
    case OrientationError::kSwapXY:
        return "axes swapped";
    default:
        return "";
    }
}

enum class Group { kAligned, kShift, kRotation, kBoth, kOrientation };

struct Case {
    Group group;
    KnownError error;
};

Case offsetCase(Group group, Point3d shiftMm, Point3d turnDeg) {
    Case c{group, {}};
    c.error.offset.translationMm = shiftMm;
    c.error.offset.rotationDeg = turnDeg;
    return c;
}

std::vector<Case> cases() {
    const double d = 30.0 / std::sqrt(3.0);
    std::vector<Case> out = {
        offsetCase(Group::kAligned, {0, 0, 0}, {0, 0, 0}),
        offsetCase(Group::kShift, {10, 0, 0}, {0, 0, 0}),
        offsetCase(Group::kShift, {0, -20, 0}, {0, 0, 0}),
        offsetCase(Group::kShift, {0, 0, 30}, {0, 0, 0}),
        offsetCase(Group::kShift, {d, -d, d}, {0, 0, 0}),
        offsetCase(Group::kRotation, {0, 0, 0}, {5, 0, 0}),
        offsetCase(Group::kRotation, {0, 0, 0}, {10, 0, 0}),
        offsetCase(Group::kRotation, {0, 0, 0}, {0, -10, 0}),
        offsetCase(Group::kRotation, {0, 0, 0}, {0, 0, 10}),
        offsetCase(Group::kBoth, {10, -10, 15}, {10, 0, 0}),
        offsetCase(Group::kBoth, {-20, 10, 5}, {0, 10, 0}),
        offsetCase(Group::kBoth, {d, d, -d}, {-6, 5, 6}),
        // The edges of the capture range: 40 mm along an axis, 15 degrees about one, both at once.
        offsetCase(Group::kShift, {0, 40, 0}, {0, 0, 0}),
        offsetCase(Group::kRotation, {0, 0, 0}, {15, 0, 0}),
        offsetCase(Group::kRotation, {0, 0, 0}, {0, 0, -15}),
        offsetCase(Group::kBoth, {-40, 20, -25}, {8, -12, 15}),
    };
    for (OrientationError e : {OrientationError::kMirrorX, OrientationError::kMirrorY,
                               OrientationError::kMirrorZ, OrientationError::kSwapXY}) {
        Case c{Group::kOrientation, {}};
        c.error.orientation = e;
        out.push_back(c);
    }
    return out;
}

std::string caseLabel(const Case& c) {
    if (c.group == Group::kOrientation) {
        return orientationErrorName(c.error.orientation);
    }
    if (c.group == Group::kAligned) {
        return "aligned";
    }
    const RigidParameters& p = c.error.offset;
    char text[96] = "";
    int n = 0;
    if (c.group != Group::kRotation) {
        n += snprintf(text + n, sizeof text - n, "t=(%.0f %.0f %.0f) mm", p.translationMm[0],
                      p.translationMm[1], p.translationMm[2]);
    }
    if (c.group != Group::kShift) {
        n += snprintf(text + n, sizeof text - n, "%sr=(%.0f %.0f %.0f)°", n > 0 ? " " : "", p.rotationDeg[0],
                      p.rotationDeg[1], p.rotationDeg[2]);
    }
    return text;
}

// A pair whose truth is known: the functional lies where its header says.
struct Pair {
    std::string name;
    NiftiImage anatomical, functional;
    std::vector<Point3d> brainPoints; // world, at the true position
};

// One measured case.
struct Row {
    Case kase;
    double residualMm = 0;
    Verdict verdict = Verdict::kFail;
    OrientationFinding finding;
    double seconds = 0;
    bool referenceRan = false;
    double referenceResidualMm = 0, referenceSeconds = 0;
};

struct Options {
    std::string dataFolder, only;
    bool fine = false, reference = true;
};

std::string scratchFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp";
}

std::vector<Row> measurePair(const Pair& pair, const Options& options) {
    std::vector<Row> rows;
    std::string anatomicalPath;
    if (options.reference) {
        anatomicalPath = scratchFolder() + "/check_accuracy_anatomical-XXXXXX";
        const int fd = mkstemp(anatomicalPath.data());
        if (fd >= 0) {
            close(fd);
            remove(anatomicalPath.c_str());
        }
        anatomicalPath += ".nii.gz";
        const std::string problem = writeFloatImage(anatomicalPath, pair.anatomical);
        if (!problem.empty()) {
            fprintf(stderr, "%s: %s\n", anatomicalPath.c_str(), problem.c_str());
            anatomicalPath.clear();
        }
    }
    const CheckSettings settings;
    const CheckInputs anatomy{pair.name + " anatomical", &pair.anatomical};
    const Point3d centre = gridCentre(temporalMean(pair.functional));
    for (const Case& c : cases()) {
        Matrix4d motion;
        const NiftiImage run = withKnownError(pair.functional, c.error, centre, motion);
        const RunCheck check = checkAlignment(anatomy, CheckInputs{"run", &run}, settings);
        Row row;
        row.kase = c;
        row.residualMm = residualMm(check.search.correction, motion, pair.brainPoints);
        row.verdict = check.verdict;
        row.finding = orientationFinding(check);
        row.seconds = check.search.seconds;
        if (!anatomicalPath.empty() && c.group != Group::kOrientation) {
            const ReferenceResult reference = registerWithElastix(anatomicalPath, run, scratchFolder());
            if (reference.error.empty()) {
                row.referenceRan = true;
                row.referenceResidualMm = residualMm(reference.correction, motion, pair.brainPoints);
                row.referenceSeconds = reference.seconds;
            } else {
                fprintf(stderr, "%s, %s: %s\n", pair.name.c_str(), caseLabel(c).c_str(),
                        reference.error.c_str());
            }
        }
        rows.push_back(row);
        fprintf(stderr, "%s, %s: done\n", pair.name.c_str(), caseLabel(c).c_str());
    }
    if (!anatomicalPath.empty()) {
        remove(anatomicalPath.c_str());
    }
    return rows;
}

void printRows(const Pair& pair, const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        const bool orientation = row.kase.group == Group::kOrientation;
        char residual[32] = "—", reference[64] = "—";
        if (!orientation) {
            snprintf(residual, sizeof residual, "%.2f", row.residualMm);
        }
        if (row.referenceRan) {
            snprintf(reference, sizeof reference, "%.2f | %.1f", row.referenceResidualMm,
                     row.referenceSeconds);
        } else {
            snprintf(reference, sizeof reference, "— | —");
        }
        std::string finding = row.finding.suspected.empty() ? "none" : row.finding.suspected;
        if (!row.finding.decided) {
            finding += " (undecided)";
        }
        printf("| %s | %s | %s | %s | %s | %.2f | %s |\n", pair.name.c_str(), caseLabel(row.kase).c_str(),
               residual, verdictName(row.verdict), finding.c_str(), row.seconds, reference);
    }
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// One line per goal of the check, for a pair.
void printSummary(const Pair& pair, const std::vector<Row>& rows) {
    int offsets = 0, recovered = 0, offsetsFlagged = 0, orientations = 0, named = 0, referenceRecovered = 0,
        referenceRan = 0;
    double worst = 0, referenceWorst = 0;
    bool alignedPasses = false;
    std::vector<double> seconds, referenceSeconds;
    for (const Row& row : rows) {
        seconds.push_back(row.seconds);
        if (row.kase.group == Group::kOrientation) {
            ++orientations;
            named +=
                row.finding.decided && row.finding.suspected == expectedFinding(row.kase.error.orientation);
            continue;
        }
        alignedPasses |= row.kase.group == Group::kAligned && row.verdict == Verdict::kPass;
        ++offsets;
        recovered += row.residualMm <= 1.5;
        worst = std::max(worst, row.residualMm);
        offsetsFlagged += !row.finding.suspected.empty();
        if (row.referenceRan) {
            ++referenceRan;
            referenceRecovered += row.referenceResidualMm <= 1.5;
            referenceWorst = std::max(referenceWorst, row.referenceResidualMm);
            referenceSeconds.push_back(row.referenceSeconds);
        }
    }
    printf("\n**%s**\n\n", pair.name.c_str());
    printf("- offsets recovered within 1.5 mm: %d of %d (worst %.2f mm)", recovered, offsets, worst);
    if (referenceRan > 0) {
        printf("; elastix %d of %d (worst %.2f mm)", referenceRecovered, referenceRan, referenceWorst);
    }
    printf("\n- aligned run passes: %s\n", alignedPasses ? "yes" : "no");
    printf("- mirrors and the axis swap flagged and named rightly: %d of %d\n", named, orientations);
    printf("- runs without an orientation error flagged as one: %d of %d\n", offsetsFlagged, offsets);
    printf("- median time per run: check %.2f s", median(seconds));
    if (!referenceSeconds.empty()) {
        printf(", elastix %.2f s (the check %.1fx faster)", median(referenceSeconds),
               median(referenceSeconds) / std::max(median(seconds), 1e-9));
    }
    printf("\n");
}

// World points of the phantom run's head: voxels brighter than the grid's mean.
std::vector<Point3d> brightPoints(const NiftiImage& functional) {
    const ScalarGrid grid = temporalMean(functional);
    double sum = 0;
    for (float v : grid.values) {
        sum += std::isfinite(v) ? v : 0.0;
    }
    const double mean = sum / grid.values.size();
    std::vector<Point3d> points;
    size_t i = 0;
    for (int z = 0; z < grid.nz; ++z)
        for (int y = 0; y < grid.ny; ++y)
            for (int x = 0; x < grid.nx; ++x, ++i)
                if (grid.values[i] > mean)
                    points.push_back(transformPoint(grid.voxelToWorld, {double(x), double(y), double(z)}));
    return points;
}

const GridSpec kT1Grid = obliqueGrid(112, 144, 128, {1.6, 1.6, 1.6}, {0, 0, 0}, {0, 0, 0});
const GridSpec kEpiGrid = obliqueGrid(90, 90, 60, {2.4, 2.4, 2.4}, {2, -3, 10}, {12, 0, 4});

bool writeImage(const std::string& path, const NiftiImage& image) {
    const std::string problem = writeFloatImage(path, image);
    if (!problem.empty()) {
        fprintf(stderr, "%s: %s\n", path.c_str(), problem.c_str());
    }
    return problem.empty();
}

int writePair(const std::string& folder) {
    const NiftiImage epi = phantomImage(kEpiGrid, Contrast::kEpi, 0.03);
    RigidParameters shift;
    shift.translationMm = {0, 4, 0};
    const bool ok =
        writeImage(folder + "/phantom_t1.nii.gz", phantomImage(kT1Grid, Contrast::kT1, 0.03)) &&
        writeImage(folder + "/phantom_epi.nii.gz", epi) &&
        writeImage(folder + "/phantom_epi_shifted.nii.gz", movedImage(epi, rigidMotion(shift, {0, 0, 0}))) &&
        writeImage(folder + "/phantom_epi_mirrored.nii.gz", flippedAlongX(epi));
    return ok ? 0 : 1;
}

// The anatomicals, both EPIs, and every case of the 3.4 mm EPI (of the 2.4 mm one when fine).
int writeSimulation(const ReferenceImages& images, const std::string& folder, bool fine) {
    EpiSimulation simulation;
    simulation.grid = standardEpiGrid();
    const NiftiImage standard = simulatedEpi(images.t2, simulation);
    simulation.grid = fineEpiGrid();
    const NiftiImage fineEpi = simulatedEpi(images.t2, simulation);
    const NiftiImage& epi = fine ? fineEpi : standard;
    const std::string stem = fine ? "/mni_epi_2.4mm_" : "/mni_epi_3.4mm_";
    bool ok = writeImage(folder + "/mni_t1_1.6mm.nii.gz", resampledAnatomical(images.t1, 1.6)) &&
              writeImage(folder + "/mni_t2_1.6mm.nii.gz", resampledAnatomical(images.t2, 1.6)) &&
              writeImage(folder + "/mni_epi_3.4mm.nii.gz", standard) &&
              writeImage(folder + "/mni_epi_2.4mm.nii.gz", fineEpi);
    const Point3d centre = gridCentre(temporalMean(epi));
    for (const Case& c : cases()) {
        if (c.group == Group::kAligned) {
            continue;
        }
        // "t=(17 -17 17) mm r=(-6 5 6)°" is written as t17_-17_17_mm_r-6_5_6deg.
        std::string label = caseLabel(c), name;
        const size_t degree = label.find("°");
        if (degree != std::string::npos) {
            label.replace(degree, std::string("°").size(), "deg");
        }
        for (char ch : label) {
            if (std::isalnum(static_cast<unsigned char>(ch)) || ch == '-' || ch == '.') {
                name += ch;
            } else if (ch == ' ' && !name.empty() && name.back() != '_') {
                name += '_';
            }
        }
        Matrix4d motion;
        ok = ok && writeImage(folder + stem + name + ".nii.gz", withKnownError(epi, c.error, centre, motion));
    }
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    std::string writeFolder, writeWhat;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--data" && hasValue) {
            options.dataFolder = argv[++i];
        } else if (arg == "--only" && hasValue) {
            options.only = argv[++i];
        } else if (arg == "--fine") {
            options.fine = true;
        } else if (arg == "--no-reference") {
            options.reference = false;
        } else if ((arg == "--write-pair" || arg == "--write-simulation") && hasValue) {
            writeWhat = arg;
            writeFolder = argv[++i];
        } else {
            fprintf(
                stderr,
                "usage: check_accuracy_table [--data FOLDER] [--only mni|phantom] [--fine] [--no-reference]\n"
                "       check_accuracy_table --write-pair FOLDER | --write-simulation FOLDER\n");
            return 2;
        }
    }
    if (writeWhat == "--write-pair") {
        return writePair(writeFolder);
    }
    if (options.reference && !elastixAvailable()) {
        fprintf(stderr, "elastix is not installed (apt-get install elastix), or pass --no-reference\n");
        return 1;
    }
    std::vector<Pair> pairs;
    if (options.only != "phantom") {
        const std::string folder = referenceDataFolder(options.dataFolder);
        const ReferenceImages images = readReferenceImages(folder);
        if (!images.error.empty()) {
            fprintf(stderr, "The MNI152 templates are missing: %s\n", images.error.c_str());
            return 1;
        }
        if (writeWhat == "--write-simulation") {
            return writeSimulation(images, writeFolder, options.fine);
        }
        EpiSimulation simulation;
        simulation.grid = options.fine ? fineEpiGrid() : standardEpiGrid();
        Pair mni{options.fine ? "MNI EPI 2.4 mm vs T1 1.6 mm" : "MNI EPI 3.4 mm vs T1 1.6 mm",
                 resampledAnatomical(images.t1, 1.6),
                 simulatedEpi(images.t2, simulation),
                 {}};
        mni.brainPoints = brainPointsOfGrid(simulation.grid, images.t1);
        // The same run against the T2 (as a diffusion run's b=0 images against a T2w): the match's other
        // sign. The run is made from this T2, so it tests the search and the orientations, not the contrast.
        Pair againstT2 = mni;
        againstT2.name = std::string("MNI EPI ") + (options.fine ? "2.4" : "3.4") + " mm vs T2 1.6 mm";
        againstT2.anatomical = resampledAnatomical(images.t2, 1.6);
        pairs.push_back(std::move(mni));
        pairs.push_back(std::move(againstT2));
    }
    if (options.only != "mni") {
        const NiftiImage epi = phantomImage(kEpiGrid, Contrast::kEpi, 0.03);
        pairs.push_back({"phantom EPI 2.4 mm vs T1 1.6 mm", phantomImage(kT1Grid, Contrast::kT1, 0.03), epi,
                         brightPoints(epi)});
    }
    std::vector<std::vector<Row>> measured;
    for (const Pair& pair : pairs) {
        measured.push_back(measurePair(pair, options));
    }
    printf(
        "| pair | case | residual (mm) | verdict | orientation finding | check (s) | elastix residual (mm) | "
        "elastix (s) |\n");
    printf("|---|---|---|---|---|---|---|---|\n");
    for (size_t k = 0; k < pairs.size(); ++k) {
        printRows(pairs[k], measured[k]);
    }
    for (size_t k = 0; k < pairs.size(); ++k) {
        printSummary(pairs[k], measured[k]);
    }
    return 0;
}
