// The Zentrovis program run as a child process, as a user runs it: the phantom and NIfTI files through all
// three mappings, refused inputs and outputs, --force, and the mapping prompt with and without a terminal.
#include <gtest/gtest.h>
#include <nifti1_io.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>

#include "host/nifti/nifti_file.h"
#include "tests/host/app_test_support.h"

namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

bool hasEntry(const std::vector<std::string>& entries, const std::string& name) {
    return std::find(entries.begin(), entries.end(), name) != entries.end();
}

int countWindowPictures(const std::vector<std::string>& entries) {
    return static_cast<int>(std::count_if(entries.begin(), entries.end(), [](const std::string& name) {
        return name.rfind("window-", 0) == 0 && name.size() == 13 && name.substr(9) == ".png";
    }));
}

// Opens path with the NIfTI library's own reader and checks its grid and sample type.
void expectLibraryOpens(const std::string& path, int nx, int ny, int nz, int nt, int datatype) {
    nifti_image* image = nifti_image_read(path.c_str(), 1);
    ASSERT_NE(image, nullptr) << path;
    EXPECT_EQ(image->nifti_type, NIFTI_FTYPE_NIFTI1_1) << path;
    EXPECT_EQ(image->ndim, nt > 1 ? 4 : 3) << path;
    EXPECT_EQ(image->nx, nx) << path;
    EXPECT_EQ(image->ny, ny) << path;
    EXPECT_EQ(image->nz, nz) << path;
    EXPECT_EQ(image->nt, nt) << path;
    EXPECT_EQ(image->datatype, datatype) << path;
    EXPECT_NE(image->data, nullptr) << path;
    nifti_image_free(image);
}

struct MappingCase {
    int mapping;
    std::vector<std::string> savedFunctionals; // outputs besides log, anatomical and pictures
};

void PrintTo(const MappingCase& c, std::ostream* os) {
    *os << "mapping " << c.mapping;
}

class PhantomMappings : public ::testing::TestWithParam<MappingCase> {};

TEST_P(PhantomMappings, RunToTheEndWithTheirOutputs) {
    const MappingCase& c = GetParam();
    ScratchFolder folder;
    std::string out = folder.file("out");
    ProgramRun run =
        runZentrovis({"--demo", "--small-phantom", "--mapping", std::to_string(c.mapping), "--out", out});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "posalignplugin> Started..."));
    EXPECT_TRUE(contains(run.out, "Finished."));
    // The log file holds exactly what was shown.
    EXPECT_EQ(readTextFile(out + "/posalign.log"), run.out);

    std::vector<std::string> entries = folderEntries(out);
    EXPECT_TRUE(hasEntry(entries, "posalign.log"));
    EXPECT_TRUE(hasEntry(entries, "phantom_anat_posalign.nii.gz"));
    EXPECT_GE(countWindowPictures(entries), 1);
    EXPECT_TRUE(hasEntry(entries, "window-01.png"));
    for (const std::string& name : c.savedFunctionals) {
        EXPECT_TRUE(hasEntry(entries, name)) << name;
        NiftiReadResult saved = readNiftiImage(out + "/" + name, SampleKind::kInt16WhenRaw, NiftiLimits{});
        ASSERT_EQ(saved.error, "") << name;
        EXPECT_EQ(saved.image.nx, 64);
        EXPECT_EQ(saved.image.ny, 64);
        EXPECT_EQ(saved.image.nz, 30);
        EXPECT_EQ(saved.image.nt, 3);
        EXPECT_TRUE(saved.image.isInt16);
        expectLibraryOpens(out + "/" + name, 64, 64, 30, 3, DT_INT16);
    }
    expectLibraryOpens(out + "/phantom_anat_posalign.nii.gz", 64, 64, 64, 1, DT_UINT8);
    size_t expected = 3 + c.savedFunctionals.size() + static_cast<size_t>(countWindowPictures(entries));
    EXPECT_EQ(entries.size(), expected) << "no other files than the outputs and their record, no leftovers";

    NiftiReadResult anatomy =
        readNiftiImage(out + "/phantom_anat_posalign.nii.gz", SampleKind::kFloat, NiftiLimits{});
    ASSERT_EQ(anatomy.error, "");
    EXPECT_EQ(anatomy.image.nx, 64);
    EXPECT_EQ(anatomy.image.nz, 64);
    EXPECT_NEAR(anatomy.image.voxelToWorld[0] * anatomy.image.voxelToWorld[0] +
                    anatomy.image.voxelToWorld[4] * anatomy.image.voxelToWorld[4] +
                    anatomy.image.voxelToWorld[8] * anatomy.image.voxelToWorld[8],
                16.0, 1e-3); // 4 mm voxels
}

INSTANTIATE_TEST_SUITE_P(AllMappings, PhantomMappings,
                         ::testing::Values(MappingCase{1, {}},
                                           MappingCase{
                                               2, {"phantom_run1_VMR.nii.gz", "phantom_run2_VMR.nii.gz"}},
                                           MappingCase{3, {"phantom_run1_from_phantom_run2.nii.gz"}}),
                         [](const ::testing::TestParamInfo<MappingCase>& info) {
                             return "mapping" + std::to_string(info.param.mapping);
                         });

// Small NIfTI inputs written by the test: an anatomical and two functional runs.
struct NiftiInputs {
    ScratchFolder folder;
    std::string anatomical, run1, run2, out;
    NiftiInputs() {
        anatomical = folder.file("anat.nii.gz");
        run1 = folder.file("run1.nii");
        run2 = folder.file("run2.nii.gz");
        out = folder.file("results");
        writeAnatomicalFixture(anatomical, 32);
        writeFunctionalFixture(run1, 2, 0.0f);
        writeFunctionalFixture(run2, 3, 4.0f, true);
    }
};

TEST(NiftiRun, MappingTwoSavesEachFunctionalWithItsSourceGeometry) {
    NiftiInputs inputs;
    std::string anatomicalBefore = readTextFile(inputs.anatomical), run1Before = readTextFile(inputs.run1);
    ProgramRun run = runZentrovis({"--vmr", inputs.anatomical, "--fmr", inputs.run1, "--fmr", inputs.run2,
                                   "--mapping", "2", "--out", inputs.out});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "Projecting VMR in FMR"));
    EXPECT_EQ(readTextFile(inputs.anatomical), anatomicalBefore);
    EXPECT_EQ(readTextFile(inputs.run1), run1Before);

    NiftiReadResult source1 = readNiftiImage(inputs.run1, SampleKind::kInt16WhenRaw, NiftiLimits{});
    NiftiReadResult saved1 =
        readNiftiImage(inputs.out + "/run1_VMR.nii.gz", SampleKind::kInt16WhenRaw, NiftiLimits{});
    ASSERT_EQ(saved1.error, "");
    EXPECT_TRUE(saved1.image.isInt16);
    EXPECT_EQ(saved1.image.nt, 2);
    EXPECT_EQ(saved1.image.voxelToWorld, source1.image.voxelToWorld);
    size_t perVolume = 12 * 12 * 8;
    // The first volume now holds the resampled anatomy; the second is the source's.
    EXPECT_NE(std::vector<int16_t>(saved1.image.int16Samples.begin(),
                                   saved1.image.int16Samples.begin() + perVolume),
              std::vector<int16_t>(source1.image.int16Samples.begin(),
                                   source1.image.int16Samples.begin() + perVolume));
    EXPECT_EQ(
        std::vector<int16_t>(saved1.image.int16Samples.begin() + perVolume, saved1.image.int16Samples.end()),
        std::vector<int16_t>(source1.image.int16Samples.begin() + perVolume,
                             source1.image.int16Samples.end()));

    NiftiReadResult source2 = readNiftiImage(inputs.run2, SampleKind::kInt16WhenRaw, NiftiLimits{});
    NiftiReadResult saved2 =
        readNiftiImage(inputs.out + "/run2_VMR.nii.gz", SampleKind::kInt16WhenRaw, NiftiLimits{});
    ASSERT_EQ(saved2.error, "");
    EXPECT_FALSE(saved2.image.isInt16); // float samples stay float
    EXPECT_EQ(saved2.image.nt, 3);
    EXPECT_EQ(saved2.image.voxelToWorld, source2.image.voxelToWorld);

    std::vector<std::string> entries = folderEntries(inputs.out);
    EXPECT_TRUE(hasEntry(entries, "anat_posalign.nii.gz"));
    EXPECT_TRUE(hasEntry(entries, "posalign.log"));
    // The report: each run checked from its file, with pictures, and the run's log at the end.
    std::string report = readTextFile(inputs.out + "/report.html");
    EXPECT_TRUE(contains(report, "<h2>run1 &mdash;") && contains(report, "<h2>run2 &mdash;"));
    EXPECT_TRUE(contains(report, "<img src=\"data:image/png;base64,"));
    size_t log = report.find("<h2>The plug-in's log</h2><pre>\nposalignplugin&gt; Started");
    EXPECT_NE(log, std::string::npos);
    EXPECT_NE(report.find("Projecting VMR in FMR", log), std::string::npos);
}

TEST(NiftiRun, MappingsOneAndThreePaintTheAnatomical) {
    for (int mapping : {1, 3}) {
        NiftiInputs inputs;
        ProgramRun run = runZentrovis({"--vmr", inputs.anatomical, "--fmr", inputs.run1, "--fmr", inputs.run2,
                                       "--mapping", std::to_string(mapping), "--out", inputs.out});
        ASSERT_EQ(run.exitStatus, 0) << run.err;
        std::vector<std::string> entries = folderEntries(inputs.out);
        EXPECT_EQ(hasEntry(entries, "run1_from_run2.nii.gz"), mapping == 3);
        EXPECT_FALSE(hasEntry(entries, "run1_VMR.nii.gz"));
        NiftiReadResult anatomy =
            readNiftiImage(inputs.out + "/anat_posalign.nii.gz", SampleKind::kFloat, NiftiLimits{});
        ASSERT_EQ(anatomy.error, "");
        NiftiReadResult source = readNiftiImage(inputs.anatomical, SampleKind::kFloat, NiftiLimits{});
        EXPECT_EQ(anatomy.image.voxelToWorld, source.image.voxelToWorld);
        // The anatomical's bytes run 0..225 as opened; some voxels inside the functional coverage were
        // painted over, outside it none: the corner of the grid keeps the background byte 0.
        EXPECT_EQ(anatomy.image.floatSamples[0], 0.0f);
        int changedFromBackgroundOrSphere = 0;
        for (float v : anatomy.image.floatSamples) {
            changedFromBackgroundOrSphere += (v != 0.0f && v < 200.0f) ? 1 : 0;
        }
        EXPECT_GT(changedFromBackgroundOrSphere, 0) << "mapping " << mapping;
    }
}

struct BadInputCase {
    const char* name;
    void (*spoil)(NiftiInputs& inputs, std::vector<std::string>& args);
    const char* reason;
};

void missingAnatomical(NiftiInputs& inputs, std::vector<std::string>& args) {
    args = {"--vmr", inputs.folder.file("none.nii.gz"), "--fmr", inputs.run1};
}
void textFunctional(NiftiInputs& inputs, std::vector<std::string>& args) {
    std::string path = inputs.folder.file("notes.nii");
    writeTextFileForTest(path);
    args = {"--vmr", inputs.anatomical, "--fmr", path};
}
void unreadableFunctional(NiftiInputs& inputs, std::vector<std::string>& args) {
    chmod(inputs.run1.c_str(), 0);
    args = {"--vmr", inputs.anatomical, "--fmr", inputs.run1};
}
void truncatedFunctional(NiftiInputs& inputs, std::vector<std::string>& args) {
    std::string data = readTextFile(inputs.run1);
    std::string path = inputs.folder.file("cut.nii");
    writeBytesForTest(path, data.substr(0, data.size() - 100));
    args = {"--vmr", inputs.anatomical, "--fmr", path};
}
void largeAnatomical(NiftiInputs& inputs, std::vector<std::string>& args) {
    std::string path = inputs.folder.file("big.nii");
    std::vector<int16_t> samples(600 * 2 * 2, 1);
    NiftiWriteRequest request;
    request.nx = 600;
    request.ny = 2;
    request.nz = 2;
    request.type = NiftiOutputType::kInt16;
    request.samples = samples.data();
    writeNiftiImage(path, request, NiftiCompression::kNone);
    args = {"--vmr", path, "--fmr", inputs.run1};
}
void sameStems(NiftiInputs& inputs, std::vector<std::string>& args) {
    std::string other = inputs.folder.file("run1.nii.gz");
    writeFunctionalFixture(other, 1, 0.0f);
    args = {"--vmr", inputs.anatomical, "--fmr", inputs.run1, "--fmr", other};
}
void longAnatomicalName(NiftiInputs& inputs, std::vector<std::string>& args) {
    std::string path = inputs.folder.file(std::string(240, 'a') + ".nii.gz");
    writeAnatomicalFixture(path, 8);
    args = {"--vmr", path, "--fmr", inputs.run1};
}
void nameWithEscapes(NiftiInputs& inputs, std::vector<std::string>& args) {
    args = {"--vmr", inputs.folder.file("clear\x1b[2J.nii"), "--fmr", inputs.run1};
}
void missingPlugin(NiftiInputs& inputs, std::vector<std::string>& args) {
    args = {"--vmr", inputs.anatomical, "--fmr", inputs.run1, "--plugin", inputs.folder.file("none.so")};
}
void notAPlugin(NiftiInputs& inputs, std::vector<std::string>& args) {
    args = {"--vmr", inputs.anatomical, "--fmr", inputs.run1, "--plugin", inputs.run1};
}

void PrintTo(const BadInputCase& c, std::ostream* os) {
    *os << c.name;
}

class RefusedInput : public ::testing::TestWithParam<BadInputCase> {};

TEST_P(RefusedInput, ExitsWithTwoNamingTheFileAndWritesNothing) {
    const BadInputCase& c = GetParam();
    NiftiInputs inputs;
    std::vector<std::string> args;
    c.spoil(inputs, args);
    if (geteuid() == 0 && std::string(c.name) == "unreadable_functional") {
        GTEST_SKIP() << "root reads files without read permission";
    }
    args.insert(args.end(), {"--mapping", "2", "--out", inputs.out});
    ProgramRun run = runZentrovis(args);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_TRUE(contains(run.err, c.reason)) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << "one message: " << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(fileExists(inputs.out)) << "the output folder must not even be made";
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, RefusedInput,
    ::testing::Values(
        BadInputCase{"missing_anatomical", missingAnatomical, "none.nii.gz: does not exist"},
        BadInputCase{"text_functional", textFunctional, "notes.nii: is not a NIfTI-1 file"},
        BadInputCase{"unreadable_functional", unreadableFunctional, "run1.nii: cannot be opened"},
        BadInputCase{"truncated_functional", truncatedFunctional, "cut.nii: is truncated"},
        BadInputCase{"large_anatomical", largeAnatomical, "big.nii: has 600 voxels along axis 1"},
        BadInputCase{"same_stems", sameStems, "same name stem \"run1\""},
        BadInputCase{"long_anatomical_name", longAnatomicalName, "_posalign.nii.gz: would be a name of 256"},
        BadInputCase{"name_with_escapes", nameWithEscapes, "clear\\x1b[2J.nii: does not exist"},
        BadInputCase{"missing_plugin", missingPlugin, "none.so: does not exist"},
        BadInputCase{"not_a_plugin", notAPlugin, "cannot be loaded as a plug-in module"}),
    [](const ::testing::TestParamInfo<BadInputCase>& info) { return info.param.name; });

TEST(Outputs, ExistingOutputsNeedForceAndInputsAreNeverReplaced) {
    NiftiInputs inputs;
    std::vector<std::string> args = {"--vmr", inputs.anatomical, "--fmr",   inputs.run1, "--mapping",
                                     "2",     "--out",           inputs.out};
    ASSERT_EQ(runZentrovis(args).exitStatus, 0);
    std::string savedBefore = readTextFile(inputs.out + "/run1_VMR.nii.gz");
    writeBytesForTest(inputs.out + "/posalign.log", "kept");

    ProgramRun again = runZentrovis(args);
    EXPECT_EQ(again.exitStatus, 2);
    EXPECT_TRUE(contains(again.err, "exists already (use --force")) << again.err;
    EXPECT_EQ(readTextFile(inputs.out + "/posalign.log"), "kept");

    args.push_back("--force");
    ProgramRun forced = runZentrovis(args);
    EXPECT_EQ(forced.exitStatus, 0) << forced.err;
    EXPECT_EQ(readTextFile(inputs.out + "/posalign.log"), forced.out);
    EXPECT_EQ(readTextFile(inputs.out + "/run1_VMR.nii.gz"), savedBefore); // same run, same bytes

    // A functional named like the other's output, in the output folder: refused even with --force.
    std::string clash = inputs.out + "/run2_VMR.nii.gz";
    writeFunctionalFixture(inputs.out + "/run2.nii", 1, 0.0f);
    writeFunctionalFixture(clash, 1, 0.0f);
    std::string clashBefore = readTextFile(clash);
    ProgramRun onInput = runZentrovis({"--vmr", inputs.anatomical, "--fmr", inputs.out + "/run2.nii", "--fmr",
                                       clash, "--mapping", "2", "--out", inputs.out, "--force"});
    EXPECT_EQ(onInput.exitStatus, 2);
    EXPECT_TRUE(contains(onInput.err, "is one of the input files")) << onInput.err;
    EXPECT_EQ(readTextFile(clash), clashBefore);
}

TEST(Outputs, ForceLeavesExactlyThisRunsOutputsAndNoOneElsesFilesTouched) {
    NiftiInputs inputs;
    std::vector<std::string> args = {"--vmr", inputs.anatomical, "--fmr",    inputs.run1, "--mapping",
                                     "1",     "--out",           inputs.out, "--force"};
    ASSERT_EQ(runZentrovis(args).exitStatus, 0);
    int mapping1Pictures = countWindowPictures(folderEntries(inputs.out));
    writeBytesForTest(inputs.out + "/notes.txt", "mine");
    args[5] = "2";
    ASSERT_EQ(runZentrovis(args).exitStatus, 0);
    std::vector<std::string> entries = folderEntries(inputs.out);
    EXPECT_LT(countWindowPictures(entries), mapping1Pictures) << "the earlier run's later pictures are gone";
    EXPECT_TRUE(hasEntry(entries, "run1_VMR.nii.gz"));
    args[5] = "1";
    ASSERT_EQ(runZentrovis(args).exitStatus, 0);
    entries = folderEntries(inputs.out);
    EXPECT_FALSE(hasEntry(entries, "run1_VMR.nii.gz")) << "the earlier mapping's file is gone";
    EXPECT_EQ(readTextFile(inputs.out + "/notes.txt"), "mine");
    EXPECT_TRUE(hasEntry(entries, "report.html"));
    EXPECT_EQ(entries.size(), 5 + static_cast<size_t>(countWindowPictures(entries)));
    args.push_back("--no-report");
    ASSERT_EQ(runZentrovis(args).exitStatus, 0);
    entries = folderEntries(inputs.out);
    EXPECT_FALSE(hasEntry(entries, "report.html")) << "the earlier run's report is gone";
    EXPECT_EQ(entries.size(), 4 + static_cast<size_t>(countWindowPictures(entries)));
    args.pop_back();

    // A picture not written by a run here is in the way of this run's pictures: left alone, run refused.
    writeBytesForTest(inputs.out + "/window-09.png", "mine");
    ProgramRun blocked = runZentrovis(args);
    EXPECT_EQ(blocked.exitStatus, 2);
    EXPECT_TRUE(contains(blocked.err, "window-09.png: exists and was not written by a run")) << blocked.err;
    EXPECT_EQ(folderEntries(inputs.out).size(), entries.size() + 1);
    // So is a report not written by a run here, unless the run writes none.
    std::remove((inputs.out + "/window-09.png").c_str());
    writeBytesForTest(inputs.out + "/report.html", "mine");
    blocked = runZentrovis(args);
    EXPECT_EQ(blocked.exitStatus, 2);
    EXPECT_TRUE(contains(blocked.err, "report.html: exists and was not written by a run")) << blocked.err;
    args.push_back("--no-report");
    EXPECT_EQ(runZentrovis(args).exitStatus, 0);
    EXPECT_EQ(readTextFile(inputs.out + "/report.html"), "mine");
}

TEST(Outputs, AFailedWriteLeavesNothingOfTheRun) {
    NiftiInputs inputs;
    std::vector<std::string> args = {"--vmr", inputs.anatomical, "--fmr",   inputs.run1, "--mapping",
                                     "2",     "--out",           inputs.out};
    ProgramRun run;
    {
        FileSizeLimit nearlyFull(4000); // the log fits, the pictures and images do not
        run = runZentrovis(args);
    }
    EXPECT_EQ(run.exitStatus, 3) << run.err;
    EXPECT_TRUE(contains(run.err, "File too large")) << run.err;
    EXPECT_TRUE(contains(run.err, "nothing was kept")) << run.err;
    EXPECT_FALSE(fileExists(inputs.out)) << "not even the folder the run made";
}

TEST(Outputs, AClosedStandardOutputDoesNotStopTheRun) {
    NiftiInputs inputs;
    // Standard output is a pipe nobody reads any more, as after "| head -1" has had its line.
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    close(pipeEnds[0]);
    std::vector<std::string> args = {ZENTROVIS_PATH, "--vmr", inputs.anatomical, "--fmr",   inputs.run1,
                                     "--mapping",    "2",     "--out",           inputs.out};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], 1);
        int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(fileExists(inputs.out + "/run1_VMR.nii.gz"));
    EXPECT_TRUE(contains(readTextFile(inputs.out + "/posalign.log"), "Finished."));
}

TEST(Prompt, WithoutATerminalTheDefaultIsTakenAndSaid) {
    NiftiInputs inputs;
    ProgramRun run =
        runZentrovis({"--vmr", inputs.anatomical, "--fmr", inputs.run1, "--out", inputs.out}, "2\nx\n3\n");
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_TRUE(contains(run.err, "no terminal to ask")) << run.err;
    EXPECT_TRUE(contains(run.err, "taking the default 1")) << run.err;
    EXPECT_TRUE(contains(run.out, "Projecting FMRs in VMR"));
    EXPECT_FALSE(fileExists(inputs.out + "/run1_VMR.nii.gz"));
}

TEST(Prompt, OnATerminalBadAnswersAreAskedAgain) {
    NiftiInputs inputs;
    ProgramRun run = runZentrovisOnTerminal(
        {"--vmr", inputs.anatomical, "--fmr", inputs.run1, "--out", inputs.out}, {"0", "two", "2"});
    if (run.exitStatus == kNoTerminal) {
        GTEST_SKIP() << "no pseudo-terminal on this machine";
    }
    ASSERT_EQ(run.exitStatus, 0) << run.out;
    EXPECT_TRUE(contains(run.out, "Please select a mapping:")) << run.out;
    EXPECT_TRUE(contains(run.out, "\"0\" is not a whole number from 1 to 3")) << run.out;
    EXPECT_TRUE(contains(run.out, "\"two\" is not a whole number from 1 to 3")) << run.out;
    EXPECT_TRUE(contains(run.out, "Projecting VMR in FMR")) << run.out;
    EXPECT_TRUE(fileExists(inputs.out + "/run1_VMR.nii.gz"));
}

TEST(PluginStops, AnOldHostGetsTheMessageAndStatusOne) {
    ScratchFolder folder;
    std::string out = folder.file("out");
    ProgramRun run = runZentrovis(
        {"--demo", "--small-phantom", "--mapping", "1", "--host-version", "2.9.8", "--out", out});
    EXPECT_EQ(run.exitStatus, 1) << run.err;
    EXPECT_TRUE(contains(run.out, "Message: Can not execute this plugin")) << run.out;
    // Only the log: nothing ran, so there is no painted anatomical and no picture.
    EXPECT_EQ(folderEntries(out), (std::vector<std::string>{".zentrovis-outputs", "posalign.log"}));
    EXPECT_EQ(readTextFile(out + "/posalign.log"), run.out);

    ProgramRun bad = runZentrovis({"--demo", "--host-version", "2.9", "--out", out});
    EXPECT_EQ(bad.exitStatus, 2);
    EXPECT_TRUE(contains(bad.err, "--host-version needs three")) << bad.err;
}

TEST(Help, ShowsUsageWithAnExample) {
    ProgramRun run = runZentrovis({"--help"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_TRUE(contains(run.out, "--vmr"));
    EXPECT_TRUE(contains(run.out, "Zentrovis --vmr anat.nii.gz --fmr run1.nii.gz"));
}

} // namespace
