// The alignment check's accuracy on synthetic pairs with a known alignment: each functional is moved by ten
// known rigid offsets (3-15 mm, 3-8 degrees) and checked; the error is the mean displacement, over the
// functional's in-brain voxels, between the correction found and the one that undoes the offset. Then each
// functional is mirrored left-right in its data (header unchanged), which must be flagged.
//
// Run by hand: check_accuracy_table [NIFTI_DATA_FOLDER]; prints a Markdown table.
// check_accuracy_table --write-pair DIR writes the phantom pair as NIfTI files instead (a 1.6 mm T1, the
// 90x90x60 EPI as it lies, shifted by 4 mm, and mirrored), for trying `Zentrovis check` on them.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "host/app/check/alignment_check.h"
#include "host/app/check/check_grid.h"
#include "host/app/check/synthetic_pair.h"

namespace {

struct Pair {
    std::string name;
    NiftiImage anatomical, functional;
};

// The ten offsets: four shifts, three rotations, three of both; sizes spread over the ranges.
std::vector<RigidParameters> offsets() {
    const double shiftMm[] = {3, 7, 11, 15, 5, 9, 13, 4, 10, 15};
    const double turnDeg[] = {3, 5, 6, 8, 4, 7, 8, 3, 5, 8};
    const Point3d directions[] = {{1, 0, 0},  {0, 1, 0}, {0, 0, 1},   {1, -1, 1}, {-1, 2, 0},
                                  {0, 1, -1}, {2, 1, 1}, {-1, -1, 2}, {1, 0, -1}, {0, -2, 1}};
    std::vector<RigidParameters> out;
    for (int k = 0; k < 10; ++k) {
        const Point3d d = directions[k];
        const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        RigidParameters p;
        for (int a = 0; a < 3; ++a) {
            if (k < 4 || k >= 7) {
                p.translationMm[a] = shiftMm[k] * d[a] / length;
            }
            if (k >= 4) {
                p.rotationDeg[a] = turnDeg[k] * d[(a + 1) % 3] / length;
            }
        }
        out.push_back(p);
    }
    return out;
}

std::vector<Point3d> brainPoints(const NiftiImage& functional) {
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

// One row: the error is the displacement itself for unmoved and mirrored runs.
void printRow(const std::string& pair, const char* offset, double error, const RunCheck& check) {
    const SearchResult& s = check.search;
    printf("| %s | %s | %.2f | %.3f / %.3f | %s | %s | %s | %.2f |\n", pair.c_str(), offset, error, s.best,
           s.mirroredBest, check.orientation.suspected.empty() ? "none" : check.orientation.suspected.c_str(),
           s.lrFlipSuspected ? "yes" : "no", verdictName(check.verdict), s.seconds);
}

void runPair(const Pair& pair, int& within, int& total, int& flipsFlagged, int& falseFlags) {
    const CheckSettings settings;
    const CheckInputs anatomy{pair.name + " anatomical", &pair.anatomical};
    const RunCheck unmoved = checkAlignment(anatomy, CheckInputs{"functional", &pair.functional}, settings);
    const std::vector<Point3d> points = brainPoints(pair.functional);
    const Point3d centre = gridCentre(temporalMean(pair.functional));
    printRow(pair.name, "at header", unmoved.search.displacementMm, unmoved);
    falseFlags += unmoved.search.lrFlipSuspected;
    for (const RigidParameters& offset : offsets()) {
        const Matrix4d motion = rigidMotion(offset, centre);
        const NiftiImage moved = movedImage(pair.functional, motion);
        const RunCheck check = checkAlignment(anatomy, CheckInputs{"moved", &moved}, settings);
        // Found: correction * motion; wanted: the unmoved run's correction.
        const Matrix4d found = multiply(check.search.correction, motion);
        double error = 0;
        for (const Point3d& p : points) {
            error += distance(transformPoint(found, p), transformPoint(unmoved.search.correction, p));
        }
        error /= points.size();
        within += error <= 1.5;
        ++total;
        falseFlags += check.search.lrFlipSuspected;
        char label[96];
        snprintf(label, sizeof label, "t=(%.1f %.1f %.1f) r=(%.1f %.1f %.1f)", offset.translationMm[0],
                 offset.translationMm[1], offset.translationMm[2], offset.rotationDeg[0],
                 offset.rotationDeg[1], offset.rotationDeg[2]);
        printRow(pair.name, label, error, check);
    }
    const NiftiImage flipped = flippedAlongX(pair.functional);
    const RunCheck flip = checkAlignment(anatomy, CheckInputs{"flipped", &flipped}, settings);
    flipsFlagged += flip.search.lrFlipSuspected;
    printRow(pair.name, "mirrored data", flip.search.displacementMm, flip);
}

float invertedWithinHead(float value, float top) {
    return value > 0.15f * top ? 1.15f * top - value : 0.0f;
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

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--write-pair") {
        return writePair(argv[2]);
    }
    const std::string data = argc > 1 ? argv[1] : "/usr/lib/python3/dist-packages/nibabel/tests/data";
    std::vector<Pair> pairs;
    const GridSpec& t1Grid = kT1Grid;
    const GridSpec& epiGrid = kEpiGrid;
    const NiftiImage epi = phantomImage(epiGrid, Contrast::kEpi, 0.03);
    pairs.push_back({"phantom EPI vs T1", phantomImage(t1Grid, Contrast::kT1, 0.03), epi});
    pairs.push_back({"phantom EPI vs T2", phantomImage(t1Grid, Contrast::kT2, 0.03), epi});
    pairs.push_back({"phantom T1 vs T1", pairs[0].anatomical, phantomImage(epiGrid, Contrast::kT1, 0.03)});
    const NiftiReadResult anatomical =
        readNiftiImage(data + "/anatomical.nii", SampleKind::kFloat, NiftiLimits{});
    if (anatomical.error.empty()) {
        const ScalarGrid grid = temporalMean(anatomical.image);
        const float top = intensityRange(grid, 0.995).high;
        const GridSpec grid3mm = obliqueGrid(18, 22, 13, {3, 3, 3.5}, gridCentre(grid), {8, 0, -5});
        pairs.push_back({"anatomical.nii same contrast", anatomical.image,
                         resampledImage(anatomical.image, grid3mm, [](float v) { return v; })});
        pairs.push_back({"anatomical.nii inverted", anatomical.image,
                         resampledImage(anatomical.image, grid3mm,
                                        [top](float v) { return invertedWithinHead(v, top); })});
        const NiftiReadResult functional =
            readNiftiImage(data + "/functional.nii", SampleKind::kFloat, NiftiLimits{});
        if (functional.error.empty()) {
            pairs.push_back({"functional.nii vs anatomical.nii", anatomical.image, functional.image});
        }
    } else {
        fprintf(stderr, "%s/anatomical.nii: %s; the NIfTI pairs are left out\n", data.c_str(),
                anatomical.error.c_str());
    }
    printf(
        "| pair | offset (mm, deg) | error (mm) | local correlation best / mirrored | orientation suspected "
        "| flip flagged | verdict | seconds |\n");
    printf("|---|---|---|---|---|---|---|---|\n");
    for (const Pair& pair : pairs) {
        int within = 0, total = 0, flips = 0, falseFlags = 0;
        runPair(pair, within, total, flips, falseFlags);
        fprintf(stderr,
                "%s: %d of %d within 1.5 mm; mirrored data flagged %d of 1; unmirrored flagged %d of 11\n",
                pair.name.c_str(), within, total, flips, falseFlags);
    }
    return 0;
}
