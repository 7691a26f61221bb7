// Writes a BIDS dataset made from the built-in phantom for trying and timing `Zentrovis check` on a whole
// dataset: 5 subjects, 20 functional runs of 64x64x36 voxels (3.5 x 3.5 x 4 mm) and 200 volumes against
// 1 mm T1-weighted anatomicals stored in different orders (RAS, LAS, PIR). Some runs carry a known header
// error (a shift, a rotation, a left-right mirror) so that the table has something to find.
//
//   phantom_bids_dataset OUT_DIR [--volumes N] [--faults]
// --faults adds sub-06 with a cut-off functional and sub-07 without an anatomical.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <atomic>
#include <functional>
#include <vector>

#include "host/plugin_run/input_documents.h"
#include "host/nifti/nifti_file.h"
#include "host/core/phantom_object.h"
#include "tests/support/phantom_intensity.h"

namespace {

using Affine = std::array<double, 16>;

// A grid whose voxel axes point along the given world directions, its centre at centre.
Affine gridAffine(const int dims[3], const double size[3], const double directions[3][3],
                  const double centre[3]) {
    Affine a{};
    for (int row = 0; row < 3; ++row) {
        double t = centre[row];
        for (int axis = 0; axis < 3; ++axis) {
            a[4 * row + axis] = directions[axis][row] * size[axis];
            t -= a[4 * row + axis] * (dims[axis] - 1) * 0.5;
        }
        a[4 * row + 3] = t;
    }
    a[15] = 1;
    return a;
}

Affine multiply(const Affine& a, const Affine& b) {
    Affine p{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            for (int k = 0; k < 4; ++k) {
                p[4 * i + j] += a[4 * i + k] * b[4 * k + j];
            }
        }
    }
    return p;
}

// A header error: rotation by degrees about z through the origin, then a shift; mirror flips world x.
Affine headerError(double shiftX, double shiftY, double shiftZ, double rotationZDeg, bool mirror) {
    double r = rotationZDeg * M_PI / 180;
    Affine e{std::cos(r), -std::sin(r),
             0,           shiftX,
             std::sin(r), std::cos(r),
             0,           shiftY,
             0,           0,
             1,           shiftZ,
             0,           0,
             0,           1};
    if (mirror) {
        for (int j = 0; j < 4; ++j) {
            e[j] = -e[j];
        }
    }
    return e;
}

uint32_t noiseHash(uint32_t v) {
    v *= 2654435761u;
    v ^= v >> 15;
    v *= 2246822519u;
    v ^= v >> 13;
    return v;
}

bool write(const std::string& path, int nx, int ny, int nz, int nt, const Affine& affine,
           NiftiOutputType type, const void* samples) {
    NiftiWriteRequest request;
    request.nx = nx;
    request.ny = ny;
    request.nz = nz;
    request.nt = nt;
    request.geometry = geometryFromAffine(affine.data());
    request.type = type;
    request.samples = samples;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    bool compress = path.size() > 3 && path.compare(path.size() - 3, 3, ".gz") == 0;
    std::string problem =
        writeNiftiImage(path, request, compress ? NiftiCompression::kFast : NiftiCompression::kNone);
    if (!problem.empty()) {
        fprintf(stderr, "%s: %s\n", path.c_str(), problem.c_str());
    }
    return problem.empty();
}

// A T1-weighted anatomical, 1 mm, sampled from the phantom; float samples.
bool writeAnatomical(const std::string& path, const int dims[3], const double directions[3][3]) {
    const double size[3] = {1, 1, 1}, centre[3] = {0, 0, 0};
    Affine a = gridAffine(dims, size, directions, centre);
    std::vector<float> samples(static_cast<size_t>(dims[0]) * dims[1] * dims[2]);
    size_t n = 0;
    for (int k = 0; k < dims[2]; ++k) {
        for (int j = 0; j < dims[1]; ++j) {
            for (int i = 0; i < dims[0]; ++i, ++n) {
                float x = static_cast<float>(a[0] * i + a[1] * j + a[2] * k + a[3]);
                float y = static_cast<float>(a[4] * i + a[5] * j + a[6] * k + a[7]);
                float z = static_cast<float>(a[8] * i + a[9] * j + a[10] * k + a[11]);
                samples[n] =
                    phantomAnatomicalIntensity(x, y, z) * 4.0f + static_cast<float>(noiseHash(n) % 9);
            }
        }
    }
    return write(path, dims[0], dims[1], dims[2], 1, a, NiftiOutputType::kFloat32, samples.data());
}

// An oblique EPI run, int16, partial volumes from 2x2x2 sub-samples; the header carries headerError.
bool writeFunctional(const std::string& path, int volumes, const Affine& error, double tiltDeg) {
    const int dims[3] = {64, 64, 36};
    const double size[3] = {3.5, 3.5, 4}, centre[3] = {0, -4, 8};
    double t = tiltDeg * M_PI / 180;
    const double directions[3][3] = {
        {1, 0, 0}, {0, std::cos(t), std::sin(t)}, {0, -std::sin(t), std::cos(t)}};
    Affine truth = gridAffine(dims, size, directions, centre);
    size_t perVolume = static_cast<size_t>(dims[0]) * dims[1] * dims[2];
    std::vector<std::array<uint8_t, kTissueCount>> fractions(perVolume);
    size_t n = 0;
    for (int k = 0; k < dims[2]; ++k) {
        for (int j = 0; j < dims[1]; ++j) {
            for (int i = 0; i < dims[0]; ++i, ++n) {
                fractions[n].fill(0);
                for (int s = 0; s < 8; ++s) {
                    double di = i + ((s & 1) ? 0.25 : -0.25), dj = j + ((s & 2) ? 0.25 : -0.25),
                           dk = k + ((s & 4) ? 0.25 : -0.25);
                    float x = static_cast<float>(truth[0] * di + truth[1] * dj + truth[2] * dk + truth[3]);
                    float y = static_cast<float>(truth[4] * di + truth[5] * dj + truth[6] * dk + truth[7]);
                    float z = static_cast<float>(truth[8] * di + truth[9] * dj + truth[10] * dk + truth[11]);
                    ++fractions[n][phantomTissue(x, y, z)];
                }
            }
        }
    }
    std::vector<int16_t> samples(perVolume * volumes);
    for (int v = 0; v < volumes; ++v) {
        float intensity[kTissueCount];
        for (int tissue = 0; tissue < kTissueCount; ++tissue) {
            intensity[tissue] = functionalTissueIntensity(tissue, v) * 4.0f;
        }
        for (size_t i = 0; i < perVolume; ++i) {
            float value = 0;
            for (int tissue = 0; tissue < kTissueCount; ++tissue) {
                value += fractions[i][tissue] * intensity[tissue];
            }
            uint32_t noise = noiseHash(static_cast<uint32_t>(i + perVolume * v)) % 41;
            samples[perVolume * v + i] = static_cast<int16_t>(value / 8 + noise);
        }
    }
    return write(path, dims[0], dims[1], dims[2], volumes, multiply(error, truth), NiftiOutputType::kInt16,
                 samples.data());
}

struct RunSpec {
    std::string path;
    Affine error;
    double tiltDeg;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: phantom_bids_dataset OUT_DIR [--volumes N] [--faults]\n");
        return 2;
    }
    std::string root = argv[1];
    int volumes = 200;
    bool faults = false;
    for (int i = 2; i < argc; ++i) {
        if (strcmp(argv[i], "--volumes") == 0 && i + 1 < argc) {
            volumes = atoi(argv[++i]);
        } else if (strcmp(argv[i], "--faults") == 0) {
            faults = true;
        }
    }
    std::filesystem::create_directories(root);
    std::ofstream(root + "/dataset_description.json")
        << "{\"Name\": \"Zentrovis phantom\", \"BIDSVersion\": \"1.8.0\", \"DatasetType\": \"raw\"}\n";

    const double ras[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const double las[3][3] = {{-1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const double pir[3][3] = {{0, -1, 0}, {0, 0, -1}, {1, 0, 0}};
    const int axialDims[3] = {192, 224, 176}, pirDims[3] = {224, 176, 192};
    const Affine none = headerError(0, 0, 0, 0, false);

    std::vector<std::pair<std::string, int>> anatomicals; // path, storage: 0 RAS, 1 LAS, 2 PIR
    std::vector<RunSpec> runs;
    auto bold = [&root](const std::string& sub, const std::string& ses, int run) {
        std::string folder = root + "/sub-" + sub + (ses.empty() ? "" : "/ses-" + ses) + "/func/";
        std::string name = "sub-" + sub + (ses.empty() ? "" : "_ses-" + ses) + "_task-rest_run-" +
                           std::to_string(run) + "_bold.nii" + (run % 2 == 0 ? "" : ".gz");
        return folder + name;
    };
    // sub-01: two sessions with an anatomical each (RAS).
    for (const char* ses : {"1", "2"}) {
        anatomicals.push_back({root + "/sub-01/ses-" + ses + "/anat/sub-01_ses-" + ses + "_T1w.nii.gz", 0});
        runs.push_back({bold("01", ses, 1), none, 12});
        runs.push_back({bold("01", ses, 2), ses[0] == '2' ? headerError(3, 0, 0, 0, false) : none, 12});
    }
    // sub-02: PIR anatomical; one run shifted by 8 mm, one rotated by 6 degrees.
    anatomicals.push_back({root + "/sub-02/anat/sub-02_T1w.nii.gz", 2});
    runs.push_back({bold("02", "", 1), none, 8});
    runs.push_back({bold("02", "", 2), headerError(0, 8, 0, 0, false), 8});
    runs.push_back({bold("02", "", 3), headerError(0, 0, 0, 6, false), 8});
    runs.push_back({bold("02", "", 4), none, 8});
    // sub-03: LAS anatomical; one run mirrored left-right in its header.
    anatomicals.push_back({root + "/sub-03/anat/sub-03_T1w.nii.gz", 1});
    runs.push_back({bold("03", "", 1), none, 15});
    runs.push_back({bold("03", "", 2), headerError(0, 0, 0, 0, true), 15});
    runs.push_back({bold("03", "", 3), none, 15});
    runs.push_back({bold("03", "", 4), headerError(-2, 1, 0, 0, false), 15});
    // sub-04: sessions sharing the subject's anatomical (no anat folder in the sessions).
    anatomicals.push_back({root + "/sub-04/anat/sub-04_T1w.nii", 0});
    for (const char* ses : {"1", "2"}) {
        runs.push_back({bold("04", ses, 1), none, 10});
        runs.push_back({bold("04", ses, 2), ses[0] == '2' ? headerError(0, 0, 12, 0, false) : none, 10});
    }
    // sub-05: plain runs.
    anatomicals.push_back({root + "/sub-05/anat/sub-05_T1w.nii.gz", 1});
    for (int run = 1; run <= 4; ++run) {
        runs.push_back({bold("05", "", run), none, 5});
    }
    if (faults) {
        anatomicals.push_back({root + "/sub-06/anat/sub-06_T1w.nii.gz", 0});
        runs.push_back({bold("06", "", 1), none, 10});
        runs.push_back({bold("06", "", 2), none, 10});
        runs.push_back({bold("07", "", 1), none, 10});
    }

    std::vector<std::function<bool()>> jobs;
    for (const auto& [path, storage] : anatomicals) {
        jobs.push_back([&, path = path, storage = storage] {
            return writeAnatomical(path, storage == 2 ? pirDims : axialDims,
                                   storage == 0   ? ras
                                   : storage == 1 ? las
                                                  : pir);
        });
    }
    for (const RunSpec& run : runs) {
        jobs.push_back(
            [&run, volumes] { return writeFunctional(run.path, volumes, run.error, run.tiltDeg); });
    }
    std::atomic<size_t> next{0};
    std::atomic<bool> ok{true};
    std::vector<std::thread> workers;
    for (int w = 0; w < 2; ++w) {
        workers.emplace_back([&] {
            for (size_t j = next++; j < jobs.size(); j = next++) {
                if (!jobs[j]()) {
                    ok = false;
                }
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    std::ofstream participants(root + "/participants.tsv");
    participants << "participant_id\n";
    for (const char* label : {"01", "02", "03", "04", "05", "06", "07"}) {
        if (std::filesystem::is_directory(root + "/sub-" + label)) {
            participants << "sub-" << label << "\n";
        }
    }
    if (faults) {
        // Cut the second run of sub-06 to half its size.
        std::string cut = bold("06", "", 2);
        std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
    }
    printf("%zu anatomicals and %zu functional runs in %s\n", anatomicals.size(), runs.size(), root.c_str());
    return ok ? 0 : 1;
}
