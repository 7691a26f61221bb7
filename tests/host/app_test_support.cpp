// Helpers of the stand-in host's tests.
#include "tests/host/app_test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

ScratchFolder::ScratchFolder() {
    char pattern[] = "/tmp/zentrovis-test-XXXXXX";
    char* made = mkdtemp(pattern);
    if (made == nullptr) {
        throw std::runtime_error("cannot make a scratch folder");
    }
    path = made;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

FileSizeLimit::FileSizeLimit(long bytes) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    previous[0] = static_cast<long>(limit.rlim_cur);
    previous[1] = static_cast<long>(limit.rlim_max);
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    struct rlimit limit;
    limit.rlim_cur = static_cast<rlim_t>(previous[0]);
    limit.rlim_max = static_cast<rlim_t>(previous[1]);
    setrlimit(RLIMIT_FSIZE, &limit);
}

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string folderSnapshot(const std::string& folder, const std::string& skipped) {
    std::string snapshot;
    for (const std::string& name : folderEntries(folder)) {
        std::string path = folder + "/" + name;
        char target[256] = {};
        bool isLink = readlink(path.c_str(), target, sizeof target - 1) >= 0;
        if (path != skipped) {
            snapshot += name + (isLink ? " -> " + std::string(target) : ": " + readTextFile(path)) + "\n";
        }
    }
    return snapshot;
}

bool fileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

void writeBytesForTest(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

void writeTextFileForTest(const std::string& path) {
    writeBytesForTest(path, std::string(400, 'x') + "\nnot an image\n");
}

std::string readTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<double> centredAffine(int nx, int ny, int nz, double sx, double sy, double sz) {
    return {sx, 0, 0,  -sx * (nx - 1) / 2, 0, sy, 0, -sy * (ny - 1) / 2,
            0,  0, sz, -sz * (nz - 1) / 2, 0, 0,  0, 1};
}

NiftiGeometry sformGeometry(const std::vector<double>& a, const float voxelSize[3]) {
    NiftiGeometry g;
    g.sformCode = 1;
    for (int j = 0; j < 4; ++j) {
        g.srowX[j] = static_cast<float>(a[j]);
        g.srowY[j] = static_cast<float>(a[4 + j]);
        g.srowZ[j] = static_cast<float>(a[8 + j]);
    }
    for (int i = 0; i < 3; ++i) {
        g.pixdim[i + 1] = voxelSize[i];
    }
    g.xyztUnits = 2;
    return g;
}

void writeAnatomicalFixture(const std::string& path, int size) {
    const float voxel[3] = {2, 2, 2};
    std::vector<double> affine = centredAffine(size, size, size, 2, 2, 2);
    std::vector<float> samples(static_cast<size_t>(size) * size * size);
    double centre = (size - 1) / 2.0;
    for (int z = 0; z < size; ++z) {
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                double r = std::sqrt((x - centre) * (x - centre) + (y - centre) * (y - centre) +
                                     (z - centre) * (z - centre));
                samples[x + size * (y + size * static_cast<size_t>(z))] =
                    r < size * 0.35 ? 1000.0f + x : 50.0f;
            }
        }
    }
    NiftiWriteRequest request;
    request.nx = request.ny = request.nz = size;
    request.geometry = sformGeometry(affine, voxel);
    request.type = NiftiOutputType::kFloat32;
    request.samples = samples.data();
    std::string error = writeNiftiImage(path, request, compressionForName(path));
    if (!error.empty()) {
        throw std::runtime_error(path + ": " + error);
    }
}

NiftiCompression compressionForName(const std::string& path) {
    bool gz = path.size() > 3 && path.compare(path.size() - 3, 3, ".gz") == 0;
    return gz ? NiftiCompression::kFast : NiftiCompression::kNone;
}

void writeFunctionalFixture(const std::string& path, int volumes, float shiftMm, bool asFloat) {
    const int nx = 12, ny = 12, nz = 8;
    const float voxel[3] = {4, 4, 4};
    std::vector<double> affine = centredAffine(nx, ny, nz, 4, 4, 4);
    affine[3] += shiftMm;
    std::vector<int16_t> samples(static_cast<size_t>(nx) * ny * nz * volumes);
    std::vector<float> floatSamples(samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(100 + (i * 37) % 900);
        floatSamples[i] = samples[i] * 0.25f;
    }
    NiftiWriteRequest request;
    request.nx = nx;
    request.ny = ny;
    request.nz = nz;
    request.nt = volumes;
    request.geometry = sformGeometry(affine, voxel);
    request.type = asFloat ? NiftiOutputType::kFloat32 : NiftiOutputType::kInt16;
    request.samples = asFloat ? static_cast<const void*>(floatSamples.data()) : samples.data();
    std::string error = writeNiftiImage(path, request, compressionForName(path));
    if (!error.empty()) {
        throw std::runtime_error(path + ": " + error);
    }
}

namespace {

std::vector<char*> argumentVector(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(&arg[0]);
    }
    argv.push_back(nullptr);
    return argv;
}

int exitStatusOf(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

ProgramRun runZentrovis(const std::vector<std::string>& args, const std::string& stdinText) {
    ScratchFolder capture;
    std::string inPath = capture.file("in"), outPath = capture.file("out"), errPath = capture.file("err");
    std::ofstream(inPath, std::ios::binary) << stdinText;
    std::vector<std::string> all = {ZENTROVIS_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv = argumentVector(all);
    pid_t child = fork();
    if (child == 0) {
        int in = open(inPath.c_str(), O_RDONLY);
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ProgramRun run;
    run.exitStatus = exitStatusOf(status);
    run.out = readTextFile(outPath);
    run.err = readTextFile(errPath);
    return run;
}

ProgramRun runZentrovisOnTerminal(const std::vector<std::string>& args,
                                  const std::vector<std::string>& answers) {
    std::vector<std::string> all = {ZENTROVIS_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv = argumentVector(all);
    int terminal = -1;
    pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child < 0) {
        ProgramRun none;
        none.exitStatus = kNoTerminal;
        return none;
    }
    if (child == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    ProgramRun run;
    size_t answered = 0, promptsSeen = 0;
    for (;;) {
        struct pollfd wait = {terminal, POLLIN, 0};
        if (poll(&wait, 1, 20000) <= 0) {
            break; // the program hangs: give up, the test's checks will fail
        }
        char buffer[4096];
        ssize_t got = read(terminal, buffer, sizeof buffer);
        if (got <= 0) {
            break; // the child closed the terminal
        }
        run.out.append(buffer, static_cast<size_t>(got));
        size_t at = 0;
        promptsSeen = 0;
        while ((at = run.out.find("]: ", at)) != std::string::npos) {
            ++promptsSeen;
            at += 3;
        }
        while (answered < answers.size() && answered < promptsSeen) {
            std::string line = answers[answered++] + "\n";
            if (write(terminal, line.data(), line.size()) < 0) {
                break;
            }
        }
    }
    close(terminal);
    int status = 0;
    waitpid(child, &status, 0);
    run.exitStatus = exitStatusOf(status);
    return run;
}
