// What the host's NIfTI writer keeps and how it stores it: every header field beyond the geometry, the
// compression chosen, the progress told while writing, and which fields each kind of output keeps.
#include <gtest/gtest.h>
#include <nifti1_io.h>

#include <filesystem>
#include <sstream>

#include "host/nifti/output_header_fields.h"
#include "tests/host/app_test_support.h"

namespace {

// Fields unlike every default; the texts are longer than their header fields.
NiftiHeaderFields everyField() {
    NiftiHeaderFields f;
    f.dimInfo = 1 | (2 << 2) | (3 << 4);
    f.sliceCode = NIFTI_SLICE_ALT_DEC;
    f.sliceStart = 1;
    f.sliceEnd = 6;
    f.sliceDuration = 0.0625f;
    f.calMin = -12.5f;
    f.calMax = 1400.0f;
    f.toffset = 3.25f;
    f.intentCode = NIFTI_INTENT_TTEST;
    f.intentP1 = 17.0f;
    f.intentP2 = -2.0f;
    f.intentP3 = 0.5f;
    f.intentName = std::string(40, 'n');
    f.descrip = std::string(90, 'd');
    f.auxFile = std::string(40, 'a');
    return f;
}

std::string fieldsText(const NiftiHeaderFields& f) {
    std::ostringstream text;
    text << f.dimInfo << " " << f.sliceCode << " " << f.sliceStart << " " << f.sliceEnd << " "
         << f.sliceDuration << " " << f.calMin << " " << f.calMax << " " << f.toffset << " " << f.intentCode
         << " " << f.intentP1 << " " << f.intentP2 << " " << f.intentP3 << " [" << f.intentName << "] ["
         << f.descrip << "] [" << f.auxFile << "]";
    return text.str();
}

TEST(NiftiHeaderFields, SurviveWritingAndReadingAtEveryCompression) {
    // Rows that repeat: an LZ match finds them, a run-length match does not.
    std::vector<int16_t> samples(20 * 20 * 8 * 3);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>((i % 20) * 97 % 251);
    }
    NiftiWriteRequest request;
    request.nx = request.ny = 20;
    request.nz = 8;
    request.nt = 3;
    request.type = NiftiOutputType::kInt16;
    request.samples = samples.data();
    request.fields = everyField();
    NiftiHeaderFields expected = everyField(); // texts cut to their fields, NUL kept
    expected.intentName.resize(15);
    expected.descrip.resize(79);
    expected.auxFile.resize(23);
    ScratchFolder folder;
    std::vector<uintmax_t> sizes;
    for (NiftiCompression compression : {NiftiCompression::kFast, NiftiCompression::kDefault,
                                         NiftiCompression::kBest, NiftiCompression::kNone}) {
        std::string path = folder.file("f" + std::to_string(sizes.size()) + niftiEnding(compression));
        ASSERT_EQ(writeNiftiImage(path, request, compression), "") << path;
        sizes.push_back(std::filesystem::file_size(path));
        NiftiReadResult read = readNiftiImage(path, SampleKind::kInt16WhenRaw, NiftiLimits{});
        ASSERT_EQ(read.error, "") << path;
        EXPECT_EQ(fieldsText(read.image.fields), fieldsText(expected)) << path;
        EXPECT_EQ(read.image.int16Samples, samples) << path;
    }
    // Each compression is the one asked for: the fast one matches only runs, plain is header and data.
    EXPECT_GT(sizes[0], sizes[1]);
    EXPECT_GE(sizes[1], sizes[2]);
    EXPECT_EQ(sizes[3], 352 + samples.size() * 2);
}

TEST(NiftiWrite, TakesVolumesOneByOneAndTellsProgressUpToTheWhole) {
    const size_t volume = 64 * 64 * 40; // 327680 bytes, less than a piece: progress is told once a volume
    std::vector<int16_t> memory(volume * 4), expected;
    NiftiWriteRequest request;
    request.nx = request.ny = 64;
    request.nz = 40;
    request.nt = 4;
    request.type = NiftiOutputType::kInt16;
    for (size_t block = 0; block < 4; ++block) { // volumes in reverse order of memory, as a document may hold
        std::fill(memory.begin() + block * volume, memory.begin() + (block + 1) * volume, int16_t(block + 1));
        request.volumes.insert(request.volumes.begin(), memory.data() + block * volume);
        expected.insert(expected.begin(), memory.begin() + block * volume,
                        memory.begin() + (block + 1) * volume);
    }
    std::vector<uint64_t> told;
    ScratchFolder folder;
    std::string path = folder.file("volumes.nii.gz");
    ASSERT_EQ(writeNiftiImage(path, request, NiftiCompression::kFast,
                              [&](uint64_t written, uint64_t total) {
                                  EXPECT_EQ(total, memory.size() * 2);
                                  told.push_back(written);
                              }),
              "");
    EXPECT_EQ(told, (std::vector<uint64_t>{327680, 655360, 983040, 1310720}));
    EXPECT_EQ(readNiftiImage(path, SampleKind::kInt16WhenRaw, NiftiLimits{}).image.int16Samples, expected);
}

TEST(OutputHeaderFields, KeepWhatStillHoldsForEachOutput) {
    NiftiHeaderFields withoutValues = everyField(); // display range, intent and auxiliary file dropped
    withoutValues.calMin = withoutValues.calMax = 0;
    withoutValues.intentCode = 0;
    withoutValues.intentP1 = withoutValues.intentP2 = withoutValues.intentP3 = 0;
    withoutValues.intentName.clear();
    withoutValues.auxFile.clear();
    EXPECT_EQ(fieldsText(fieldsForSavedFunctional(everyField(), 2)), fieldsText(everyField()));
    EXPECT_EQ(fieldsText(fieldsForSavedFunctional(everyField(), 1)), fieldsText(withoutValues));
    EXPECT_EQ(fieldsText(fieldsForPaintedAnatomical(everyField())), fieldsText(withoutValues));
}

} // namespace
