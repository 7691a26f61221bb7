// NIfTI-1 reading and writing of the stand-in host: round trips over the formats and sample types it uses,
// the choice of affine, and the refusal of every kind of bad file with its reason.
#include <gtest/gtest.h>
#include <nifti1_io.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/nifti/nifti_file.h"
#include "host/output_files/output_files.h"
#include "tests/host/app_test_support.h"

namespace {

// An image read by the NIfTI library's own reader, freed with it.
struct LibraryImageDeleter {
    void operator()(nifti_image* image) const { nifti_image_free(image); }
};
using LibraryImage = std::unique_ptr<nifti_image, LibraryImageDeleter>;

LibraryImage readWithLibrary(const std::string& path) {
    return LibraryImage(nifti_image_read(path.c_str(), 1));
}

// The geometry the round trips write: a rotated sform (code 1) and a qform (code 2) of 180 degrees about z
// with qfac -1, 4 mm time steps in seconds.
NiftiGeometry roundTripGeometry(const std::vector<double>& sform, const float voxel[3]) {
    NiftiGeometry g = sformGeometry(sform, voxel);
    g.qformCode = 2;
    g.pixdim[0] = -1.0f;
    g.pixdim[4] = 2.5f;
    g.quaternB = 0.0f;
    g.quaternC = 0.0f;
    g.quaternD = 1.0f;
    g.qoffsetX = 10.0f;
    g.qoffsetY = -20.0f;
    g.qoffsetZ = 7.0f;
    g.xyztUnits = NIFTI_UNITS_MM | NIFTI_UNITS_SEC;
    return g;
}

struct RoundTripCase {
    const char* name;
    bool compress;
    NiftiOutputType type;
    int nt;
};

void PrintTo(const RoundTripCase& c, std::ostream* os) {
    *os << c.name;
}

class NiftiRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(NiftiRoundTrip, KeepsGridGeometryAndSamples) {
    const RoundTripCase& c = GetParam();
    ScratchFolder folder;
    std::string path = folder.file(std::string("image") + (c.compress ? ".nii.gz" : ".nii"));
    const int nx = 5, ny = 4, nz = 3;
    size_t count = static_cast<size_t>(nx) * ny * nz * c.nt;
    std::vector<int16_t> ints(count);
    std::vector<float> floats(count);
    for (size_t i = 0; i < count; ++i) {
        ints[i] = static_cast<int16_t>(static_cast<int>(i * 977 % 65536) - 32768);
        floats[i] = static_cast<float>(i) * 0.37f - 3.5f;
    }
    const float voxel[3] = {1.5f, 2.0f, 3.25f};
    std::vector<double> affine = {0, -2.0, 0, 10, 1.5, 0, 0, -20, 0, 0, 3.25, 7, 0, 0, 0, 1};
    NiftiWriteRequest request;
    request.nx = nx;
    request.ny = ny;
    request.nz = nz;
    request.nt = c.nt;
    request.geometry = roundTripGeometry(affine, voxel);
    request.type = c.type;
    request.samples =
        c.type == NiftiOutputType::kInt16 ? static_cast<const void*>(ints.data()) : floats.data();
    ASSERT_EQ(writeNiftiImage(path, request, compressionForName(path)), "");

    NiftiReadResult read = readNiftiImage(path, SampleKind::kInt16WhenRaw, NiftiLimits{});
    ASSERT_EQ(read.error, "");
    const NiftiImage& image = read.image;
    EXPECT_EQ(image.nx, nx);
    EXPECT_EQ(image.ny, ny);
    EXPECT_EQ(image.nz, nz);
    EXPECT_EQ(image.nt, c.nt);
    EXPECT_EQ(image.affineSource, AffineSource::kSform);
    for (int i = 0; i < 16; ++i) {
        EXPECT_DOUBLE_EQ(image.voxelToWorld[i], affine[i]) << "affine element " << i;
    }
    EXPECT_EQ(image.isInt16, c.type == NiftiOutputType::kInt16);
    if (c.type == NiftiOutputType::kInt16) {
        EXPECT_EQ(image.int16Samples, ints);
    } else {
        EXPECT_EQ(image.floatSamples, floats);
    }
    // Read again into volumes the caller places apart, the last first: each gets its own samples.
    size_t perVolume = count / c.nt;
    std::vector<std::vector<float>> volumes(c.nt, std::vector<float>(perVolume, -99.0f));
    NiftiReadResult placed =
        readNiftiImageInto(path, SampleKind::kInt16WhenRaw, NiftiLimits{}, [&](const NiftiImage& header) {
            std::vector<void*> places;
            for (int t = 0; t < header.nt; ++t) {
                places.push_back(volumes[header.nt - 1 - t].data());
            }
            return places;
        });
    ASSERT_EQ(placed.error, "");
    EXPECT_TRUE(placed.image.int16Samples.empty() && placed.image.floatSamples.empty());
    for (int t = 0; t < c.nt; ++t) {
        const void* expected = c.type == NiftiOutputType::kInt16
                                   ? static_cast<const void*>(&ints[t * perVolume])
                                   : &floats[t * perVolume];
        size_t bytes = perVolume * (c.type == NiftiOutputType::kInt16 ? sizeof(int16_t) : sizeof(float));
        EXPECT_EQ(memcmp(volumes[c.nt - 1 - t].data(), expected, bytes), 0) << "volume " << t;
    }
    // Written compressed exactly when asked.
    std::ifstream raw(path, std::ios::binary);
    unsigned char magic[2] = {0, 0};
    raw.read(reinterpret_cast<char*>(magic), 2);
    EXPECT_EQ(magic[0] == 0x1f && magic[1] == 0x8b, c.compress);

    // The library's own reader sees the same grid, type, geometry and bytes.
    LibraryImage library = readWithLibrary(path);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(library->nifti_type, NIFTI_FTYPE_NIFTI1_1);
    EXPECT_EQ(library->ndim, c.nt > 1 ? 4 : 3);
    EXPECT_EQ(library->nx, nx);
    EXPECT_EQ(library->ny, ny);
    EXPECT_EQ(library->nz, nz);
    EXPECT_EQ(library->nt, c.nt);
    EXPECT_EQ(library->nvox, count);
    EXPECT_EQ(library->datatype, c.type == NiftiOutputType::kInt16 ? DT_INT16 : DT_FLOAT32);
    EXPECT_EQ(library->dx, 1.5f);
    EXPECT_EQ(library->dy, 2.0f);
    EXPECT_EQ(library->dz, 3.25f);
    EXPECT_EQ(library->qfac, -1.0f);
    if (c.nt > 1) {
        EXPECT_EQ(library->dt, 2.5f);
    }
    EXPECT_EQ(library->xyz_units, NIFTI_UNITS_MM);
    EXPECT_EQ(library->time_units, NIFTI_UNITS_SEC);
    EXPECT_EQ(library->scl_slope, 1.0f);
    EXPECT_EQ(library->scl_inter, 0.0f);
    EXPECT_EQ(library->sform_code, 1);
    EXPECT_EQ(library->qform_code, 2);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(library->sto_xyz.m[i][j], static_cast<float>(affine[4 * i + j])) << i << "," << j;
        }
    }
    // 180 degrees about z turns x and y round; qfac -1 turns z.
    const float qform[4][4] = {{-1.5f, 0, 0, 10}, {0, -2.0f, 0, -20}, {0, 0, -3.25f, 7}, {0, 0, 0, 1}};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_NEAR(library->qto_xyz.m[i][j], qform[i][j], 1e-6) << i << "," << j;
        }
    }
    ASSERT_NE(library->data, nullptr);
    const void* written =
        c.type == NiftiOutputType::kInt16 ? static_cast<const void*>(ints.data()) : floats.data();
    EXPECT_EQ(memcmp(library->data, written, count * library->nbyper), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, NiftiRoundTrip,
    ::testing::Values(RoundTripCase{"gz_int16_3d", true, NiftiOutputType::kInt16, 1},
                      RoundTripCase{"gz_int16_4d", true, NiftiOutputType::kInt16, 3},
                      RoundTripCase{"gz_float_3d", true, NiftiOutputType::kFloat32, 1},
                      RoundTripCase{"gz_float_4d", true, NiftiOutputType::kFloat32, 2},
                      RoundTripCase{"plain_int16_3d", false, NiftiOutputType::kInt16, 1},
                      RoundTripCase{"plain_int16_4d", false, NiftiOutputType::kInt16, 4},
                      RoundTripCase{"plain_float_3d", false, NiftiOutputType::kFloat32, 1},
                      RoundTripCase{"plain_float_4d", false, NiftiOutputType::kFloat32, 2}),
    [](const ::testing::TestParamInfo<RoundTripCase>& info) { return info.param.name; });

// A valid little header for hand-made files; callers spoil one field.
nifti_1_header validHeader() {
    nifti_1_header h;
    memset(&h, 0, sizeof h);
    h.sizeof_hdr = 348;
    h.dim[0] = 3;
    h.dim[1] = 4;
    h.dim[2] = 3;
    h.dim[3] = 2;
    for (int i = 4; i < 8; ++i) {
        h.dim[i] = 1;
    }
    h.datatype = DT_INT16;
    h.bitpix = 16;
    for (int i = 0; i < 8; ++i) {
        h.pixdim[i] = 1.0f;
    }
    h.pixdim[1] = 2.0f;
    h.pixdim[2] = 3.0f;
    h.pixdim[3] = 4.0f;
    h.vox_offset = 352;
    memcpy(h.magic, "n+1", 4);
    return h;
}

size_t dataBytes(const nifti_1_header& h) {
    size_t count = 1;
    for (int i = 1; i <= h.dim[0] && i < 8; ++i) {
        count *= h.dim[i] > 0 ? static_cast<size_t>(h.dim[i]) : 0;
    }
    return count * static_cast<size_t>(h.bitpix / 8);
}

// Writes header, extension bytes and dataBytes (or the given number of) zero data bytes.
void writeRaw(const std::string& path, const nifti_1_header& h, long dataLength = -1) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&h), sizeof h);
    out.write("\0\0\0\0", 4);
    size_t bytes = dataLength < 0 ? dataBytes(h) : static_cast<size_t>(dataLength);
    std::vector<char> zeros(bytes, 0);
    out.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
}

// A small int16 image for the writer's refusal and failure cases.
struct SmallImage {
    std::vector<int16_t> samples;
    NiftiWriteRequest request;
    explicit SmallImage(int nx) : samples(static_cast<size_t>(nx) * 40 * 40) {
        for (size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<int16_t>(i * 7919);
        }
        request.nx = nx;
        request.ny = 40;
        request.nz = 40;
        request.type = NiftiOutputType::kInt16;
        request.samples = samples.data();
    }
};

TEST(NiftiWrite, WritesQuietlyAndIntoTheStagedNameOfARun) {
    for (const char* name : {"result.nii.gz", "result.nii"}) {
        ScratchFolder folder;
        SmallImage image(3);
        bool compress = std::string(name) == "result.nii.gz";
        std::string ending = compress ? ".nii.gz" : ".nii";
        std::string seenTemporary;
        testing::internal::CaptureStderr();
        OutputRun run;
        OutputPolicy recorded;
        recorded.onlyRecorded = true;
        ASSERT_EQ(beginOutputRun(folder.path, recorded, run), "");
        std::string error = stageOutput(run, name, [&](const std::string& temporary) {
            seenTemporary = temporary;
            return writeNiftiImage(temporary, image.request, compressionForName(temporary));
        });
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "the library says nothing on success";
        ASSERT_EQ(error, "") << name;
        ASSERT_EQ(commitOutputRun(run), "");
        EXPECT_EQ(readTextFile(folder.file(kOutputRecordName)), std::string(name) + "\n");
        unlink(folder.file(kOutputRecordName).c_str());
        // The temporary keeps the ending, so the library neither renames it nor picks another compression.
        ASSERT_GT(seenTemporary.size(), ending.size());
        EXPECT_EQ(seenTemporary.substr(seenTemporary.size() - ending.size()), ending);
        EXPECT_EQ(folderEntries(folder.path), std::vector<std::string>{name});
        LibraryImage library = readWithLibrary(folder.file(name));
        ASSERT_NE(library, nullptr) << name;
        EXPECT_EQ(library->nvox, image.samples.size());
        EXPECT_EQ(memcmp(library->data, image.samples.data(), image.samples.size() * 2), 0);
        EXPECT_EQ(std::string(library->descrip), "written by the Zentrovis stand-in host");
    }
}

TEST(NiftiWrite, NegativeAndZeroSpacingsKeepThePlacement) {
    // The library writes spacings as magnitudes: with an sform they are mere labels; an image placed by
    // its spacings alone gets an sform that places it as the source was placed.
    ScratchFolder folder;
    SmallImage image(3);
    const std::vector<double> sform = {0, 0, 3, 1, 2, 0, 0, 2, 0, 4, 0, 3, 0, 0, 0, 1};
    const float voxel[3] = {-2.0f, 0.0f, 4.0f};
    NiftiGeometry withSform = sformGeometry(sform, voxel);
    NiftiGeometry byPixdimAlone;
    byPixdimAlone.pixdim[1] = -2.0f;
    byPixdimAlone.pixdim[2] = 3.0f;
    byPixdimAlone.pixdim[3] = 4.0f;
    for (const NiftiGeometry& geometry : {withSform, byPixdimAlone}) {
        image.request.geometry = geometry;
        std::string source = folder.file("source.nii"), path = folder.file("spacings.nii");
        unlink(path.c_str());
        // The source as another program may have written it, with the spacings as they are.
        nifti_1_header raw = validHeader();
        for (int i = 1; i < 4; ++i) {
            raw.pixdim[i] = geometry.pixdim[i];
        }
        raw.sform_code = static_cast<short>(geometry.sformCode);
        memcpy(raw.srow_x, geometry.srowX, sizeof raw.srow_x);
        memcpy(raw.srow_y, geometry.srowY, sizeof raw.srow_y);
        memcpy(raw.srow_z, geometry.srowZ, sizeof raw.srow_z);
        writeRaw(source, raw);
        NiftiReadResult before = readNiftiImage(source, SampleKind::kFloat, NiftiLimits{});
        ASSERT_EQ(before.error, "");

        ASSERT_EQ(writeNiftiImage(path, image.request, NiftiCompression::kNone), "");
        nifti_1_header* header = nifti_read_header(path.c_str(), nullptr, 0);
        ASSERT_NE(header, nullptr);
        for (int i = 1; i < 4; ++i) {
            EXPECT_EQ(header->pixdim[i], std::fabs(geometry.pixdim[i])) << "pixdim[" << i << "]";
        }
        free(header);
        NiftiReadResult after = readNiftiImage(path, SampleKind::kFloat, NiftiLimits{});
        ASSERT_EQ(after.error, "");
        EXPECT_EQ(after.image.voxelToWorld, before.image.voxelToWorld);
        EXPECT_EQ(after.image.voxelToWorld[0], geometry.sformCode == 0 ? -2.0 : 0.0);
    }
}

// One write that must fail: the file name, how its place is spoilt, and the reason expected.
struct WriteFailureCase {
    const char* name;
    const char* fileName;
    bool compress;
    int nx; // 3: the data fit the stream buffers; 40: they do not
    const char* expected;
};

void PrintTo(const WriteFailureCase& c, std::ostream* os) {
    *os << c.name;
}

class NiftiWriteFailure : public ::testing::TestWithParam<WriteFailureCase> {};

TEST_P(NiftiWriteFailure, IsReportedAndNotTakenForSuccess) {
    const WriteFailureCase& c = GetParam();
    ScratchFolder folder;
    std::string path = folder.file(c.fileName);
    std::string input = folder.file("input.nii");
    writeBytesForTest(input, "an input");
    if (std::string(c.name).rfind("link", 0) == 0) {
        ASSERT_EQ(symlink(input.c_str(), path.c_str()), 0);
    } else if (std::string(c.name).rfind("existing", 0) == 0) {
        writeBytesForTest(path, "an input");
    }
    SmallImage image(c.nx);
    testing::internal::CaptureStderr();
    NiftiCompression compression = c.compress ? NiftiCompression::kFast : NiftiCompression::kNone;
    std::string error;
    if (std::string(c.expected) == "could not be written completely") {
        FileSizeLimit full(0); // a disk that is full from the first byte on
        error = writeNiftiImage(path, image.request, compression);
    } else {
        error = writeNiftiImage(path, image.request, compression);
    }
    std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(readTextFile(input), "an input");
    EXPECT_NE(error.find(c.expected), std::string::npos) << "error: " << error;
    if (std::string(c.expected) != "could not be written completely") {
        EXPECT_EQ(printed, "") << "the reason is returned, not printed";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, NiftiWriteFailure,
    ::testing::Values(
        WriteFailureCase{"full_disk_gz_small", "full.nii.gz", true, 3, "could not be written completely"},
        WriteFailureCase{"full_disk_gz_large", "full.nii.gz", true, 40, "could not be written completely"},
        WriteFailureCase{"full_disk_plain_small", "full.nii", false, 3, "could not be written completely"},
        WriteFailureCase{"full_disk_plain_large", "full.nii", false, 40, "could not be written completely"},
        WriteFailureCase{"link_to_input_gz", "out.nii.gz", true, 3, "cannot be created: File exists"},
        WriteFailureCase{"link_to_input_plain", "out.nii", false, 40, "cannot be created: File exists"},
        WriteFailureCase{"existing_name", "out.nii.gz", true, 3, "cannot be created: File exists"},
        WriteFailureCase{"missing_folder", "none/out.nii.gz", true, 3,
                         "cannot be created: No such file or directory"},
        WriteFailureCase{"compressed_without_gz_name", "out.nii", true, 3, "(.nii.gz)"},
        WriteFailureCase{"plain_with_gz_name", "out.nii.gz", false, 3, "(.nii)"},
        WriteFailureCase{"not_a_nifti_name", "out.part", false, 3, "(.nii)"}),
    [](const ::testing::TestParamInfo<WriteFailureCase>& info) { return info.param.name; });

TEST(NiftiWrite, ARefusedNameCreatesNoFile) {
    ScratchFolder folder;
    SmallImage image(3);
    EXPECT_NE(writeNiftiImage(folder.file("out.nii.part"), image.request, NiftiCompression::kNone), "");
    EXPECT_NE(writeNiftiImage(folder.file("out.nii"), image.request, NiftiCompression::kFast), "");
    EXPECT_EQ(folderEntries(folder.path), std::vector<std::string>{});
}

TEST(NiftiRead, ChoosesSformThenQformThenPixdim) {
    ScratchFolder folder;
    nifti_1_header h = validHeader();
    writeRaw(folder.file("pixdim.nii"), h);
    h.qform_code = 1;
    h.quatern_b = 0.0f;
    h.quatern_c = 0.0f;
    h.quatern_d = 1.0f; // 180 degrees about z: x and y reversed
    h.qoffset_x = 5.0f;
    writeRaw(folder.file("qform.nii"), h);
    h.pixdim[1] = -2.0f; // the same spacing with a sign that means nothing under a qform
    writeRaw(folder.file("qform_negative.nii"), h);
    h.pixdim[1] = 2.0f;
    h.sform_code = 2;
    float srow[3][4] = {{0, 0, 4, 1}, {2, 0, 0, 2}, {0, 3, 0, 3}};
    memcpy(h.srow_x, srow[0], sizeof srow[0]);
    memcpy(h.srow_y, srow[1], sizeof srow[1]);
    memcpy(h.srow_z, srow[2], sizeof srow[2]);
    writeRaw(folder.file("sform.nii"), h);

    NiftiReadResult pixdim = readNiftiImage(folder.file("pixdim.nii"), SampleKind::kFloat, NiftiLimits{});
    ASSERT_EQ(pixdim.error, "");
    EXPECT_EQ(pixdim.image.affineSource, AffineSource::kPixdim);
    EXPECT_EQ(pixdim.image.voxelToWorld[0], 2.0);
    EXPECT_EQ(pixdim.image.voxelToWorld[5], 3.0);
    EXPECT_EQ(pixdim.image.voxelToWorld[10], 4.0);

    NiftiReadResult qform = readNiftiImage(folder.file("qform.nii"), SampleKind::kFloat, NiftiLimits{});
    ASSERT_EQ(qform.error, "");
    EXPECT_EQ(qform.image.affineSource, AffineSource::kQform);
    EXPECT_NEAR(qform.image.voxelToWorld[0], -2.0, 1e-6);
    EXPECT_NEAR(qform.image.voxelToWorld[5], -3.0, 1e-6);
    EXPECT_NEAR(qform.image.voxelToWorld[10], 4.0, 1e-6);
    EXPECT_NEAR(qform.image.voxelToWorld[3], 5.0, 1e-6);
    NiftiReadResult negative =
        readNiftiImage(folder.file("qform_negative.nii"), SampleKind::kFloat, NiftiLimits{});
    ASSERT_EQ(negative.error, "");
    EXPECT_EQ(negative.image.voxelToWorld, qform.image.voxelToWorld);

    NiftiReadResult sform = readNiftiImage(folder.file("sform.nii"), SampleKind::kFloat, NiftiLimits{});
    ASSERT_EQ(sform.error, "");
    EXPECT_EQ(sform.image.affineSource, AffineSource::kSform);
    EXPECT_EQ(sform.image.voxelToWorld[2], 4.0);
    EXPECT_EQ(sform.image.voxelToWorld[4], 2.0);
    EXPECT_EQ(sform.image.voxelToWorld[9], 3.0);
    EXPECT_EQ(sform.image.voxelToWorld[11], 3.0);
}

TEST(NiftiRead, AppliesScalingAndTurnsScaledInt16IntoFloat) {
    ScratchFolder folder;
    nifti_1_header h = validHeader();
    h.dim[1] = 2;
    h.dim[2] = 1;
    h.dim[3] = 1;
    h.scl_slope = 0.5f;
    h.scl_inter = -1.0f;
    std::ofstream out(folder.file("scaled.nii"), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&h), sizeof h);
    out.write("\0\0\0\0", 4);
    int16_t samples[2] = {10, -4};
    out.write(reinterpret_cast<const char*>(samples), sizeof samples);
    out.close();
    NiftiReadResult read =
        readNiftiImage(folder.file("scaled.nii"), SampleKind::kInt16WhenRaw, NiftiLimits{});
    ASSERT_EQ(read.error, "");
    EXPECT_FALSE(read.image.isInt16);
    EXPECT_EQ(read.image.floatSamples, (std::vector<float>{4.0f, -3.0f}));
}

TEST(NiftiRead, ReadsByteSwappedFiles) {
    ScratchFolder folder;
    nifti_1_header h = validHeader();
    h.dim[1] = 2;
    h.dim[2] = 1;
    h.dim[3] = 1;
    nifti_1_header swapped = h;
    swap_nifti_header(&swapped, 1);
    std::ofstream out(folder.file("big_endian.nii"), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&swapped), sizeof swapped);
    out.write("\0\0\0\0", 4);
    unsigned char samples[4] = {0x01, 0x02, 0xFF, 0xFE}; // 0x0102 and 0xFFFE big-endian
    out.write(reinterpret_cast<const char*>(samples), sizeof samples);
    out.close();
    NiftiReadResult read =
        readNiftiImage(folder.file("big_endian.nii"), SampleKind::kInt16WhenRaw, NiftiLimits{});
    ASSERT_EQ(read.error, "");
    ASSERT_TRUE(read.image.isInt16);
    EXPECT_EQ(read.image.int16Samples, (std::vector<int16_t>{0x0102, -2}));
}

// One bad file per row: how it is made and the words its refusal must contain.
struct BadFileCase {
    const char* name;
    const char* fileName;
    void (*make)(const std::string& path);
    const char* expected;
    NiftiLimits limits;
};

void makeNothing(const std::string&) {}
void makeText(const std::string& path) {
    std::ofstream(path) << "this is not an image\n";
}
void makeNotNiftiName(const std::string& path) {
    writeRaw(path, validHeader());
}
void makeTruncatedPlain(const std::string& path) {
    writeRaw(path, validHeader(), 10);
}
void makeTruncatedGz(const std::string& path) {
    nifti_1_header h = validHeader();
    gzFile file = gzopen(path.c_str(), "wb");
    gzwrite(file, &h, sizeof h);
    gzwrite(file, "\0\0\0\0", 4);
    char some[10] = {0};
    gzwrite(file, some, sizeof some);
    gzclose(file);
}
void makeCutGz(const std::string& path) {
    nifti_1_header h = validHeader();
    h.dim[1] = 64;
    h.dim[2] = 64;
    h.dim[3] = 8;
    std::vector<int16_t> samples(64 * 64 * 8);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(i * 7919); // poorly compressible
    }
    gzFile file = gzopen((path + ".whole").c_str(), "wb");
    gzwrite(file, &h, sizeof h);
    gzwrite(file, "\0\0\0\0", 4);
    gzwrite(file, samples.data(), static_cast<unsigned>(samples.size() * sizeof(int16_t)));
    gzclose(file);
    std::string whole = readTextFile(path + ".whole");
    writeBytesForTest(path, whole.substr(0, whole.size() / 2)); // the compressed stream breaks off
}
// A compressed image followed by two megabytes of noise in its stream (so the stream's end lies far beyond
// the data), spoilt by spoil (given the gzip bytes).
void makeSpoiltGz(const std::string& path, void (*spoil)(std::string& bytes)) {
    nifti_1_header h = validHeader();
    std::string noise(2 << 20, '\0');
    uint32_t state = 12345;
    for (char& c : noise) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    gzFile file = gzopen((path + ".whole").c_str(), "wb");
    gzwrite(file, &h, sizeof h);
    gzwrite(file, "\0\0\0\0", 4);
    gzwrite(file, noise.data(), static_cast<unsigned>(noise.size()));
    gzclose(file);
    std::string whole = readTextFile(path + ".whole");
    spoil(whole);
    writeBytesForTest(path, whole);
}
void makeDamagedMiddleGz(const std::string& path) {
    makeSpoiltGz(path, [](std::string& bytes) {
        for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 16; ++i) {
            bytes[i] = static_cast<char>(bytes[i] ^ 0x5a);
        }
    });
}
void makeCrcMismatchGz(const std::string& path) {
    makeSpoiltGz(path, [](std::string& bytes) { bytes[bytes.size() - 8] ^= 1; });
}
void makeLengthMismatchGz(const std::string& path) {
    makeSpoiltGz(path, [](std::string& bytes) { bytes[bytes.size() - 4] ^= 1; });
}
void makeDamagedHeaderGz(const std::string& path) {
    makeSpoiltGz(path, [](std::string& bytes) {
        for (size_t i = 10; i < 40; ++i) {
            bytes[i] = static_cast<char>(0xff);
        }
    });
}
// A small compressed file whose header claims more data than an image may hold.
void makeVolumeBomb(const std::string& path) {
    nifti_1_header h = validHeader();
    h.dim[0] = 4;
    h.dim[1] = h.dim[2] = h.dim[3] = 512;
    h.dim[4] = 30000;
    h.datatype = DT_FLOAT64;
    h.bitpix = 64;
    gzFile file = gzopen(path.c_str(), "wb");
    gzwrite(file, &h, sizeof h);
    gzwrite(file, "\0\0\0\0", 4);
    gzclose(file);
}
void makeHugeOffset(const std::string& path) {
    nifti_1_header h = validHeader();
    h.vox_offset = 1e30f;
    writeRaw(path, h);
}
void makeInfiniteOffset(const std::string& path) {
    nifti_1_header h = validHeader();
    h.vox_offset = INFINITY;
    writeRaw(path, h);
}
void makeQformWithPixdim(const std::string& path, float spacing) {
    nifti_1_header h = validHeader();
    h.qform_code = 1;
    h.pixdim[2] = spacing;
    writeRaw(path, h);
}
void makeQformZeroPixdim(const std::string& path) {
    makeQformWithPixdim(path, 0.0f);
}
void makeQformNanPixdim(const std::string& path) {
    makeQformWithPixdim(path, NAN);
}
void makeSymlinkLoop(const std::string& path) {
    symlink(path.c_str(), path.c_str());
}
void makeTwoDimensional(const std::string& path) {
    nifti_1_header h = validHeader();
    h.dim[0] = 2;
    writeRaw(path, h);
}
void makeZeroSize(const std::string& path) {
    nifti_1_header h = validHeader();
    h.dim[2] = 0;
    writeRaw(path, h);
}
void makeNegativeSize(const std::string& path) {
    nifti_1_header h = validHeader();
    h.dim[3] = -5;
    writeRaw(path, h);
}
void makeSingularSform(const std::string& path) {
    nifti_1_header h = validHeader();
    h.sform_code = 1;
    float row[4] = {1, 2, 3, 0};
    memcpy(h.srow_x, row, sizeof row);
    memcpy(h.srow_y, row, sizeof row);
    memcpy(h.srow_z, row, sizeof row);
    writeRaw(path, h);
}
void makeZeroPixdim(const std::string& path) {
    nifti_1_header h = validHeader();
    h.pixdim[2] = 0.0f;
    writeRaw(path, h);
}
void makeLargeAnatomical(const std::string& path) {
    nifti_1_header h = validHeader();
    h.dim[1] = 513;
    h.dim[2] = 1;
    h.dim[3] = 1;
    writeRaw(path, h);
}
void makeHugeVolume(const std::string& path) {
    nifti_1_header h = validHeader();
    h.dim[1] = 2000;
    h.dim[2] = 2000;
    h.dim[3] = 1000; // 4e9 voxels per volume: only the header is written
    writeRaw(path, h, 0);
}
void makeComplex(const std::string& path) {
    nifti_1_header h = validHeader();
    h.datatype = DT_COMPLEX64;
    h.bitpix = 64;
    writeRaw(path, h);
}
void makeAnalyze(const std::string& path) {
    nifti_1_header h = validHeader();
    memset(h.magic, 0, 4);
    writeRaw(path, h);
}
void makeSeveralVolumes(const std::string& path) {
    nifti_1_header h = validHeader();
    h.dim[0] = 4;
    h.dim[4] = 3;
    writeRaw(path, h);
}

NiftiLimits anatomicalLimits() {
    NiftiLimits limits;
    limits.maxVoxelsPerAxis = 512;
    limits.allowSeveralVolumes = false;
    return limits;
}

void PrintTo(const BadFileCase& c, std::ostream* os) {
    *os << c.name;
}

class NiftiBadFile : public ::testing::TestWithParam<BadFileCase> {};

TEST_P(NiftiBadFile, IsRefusedWithItsReason) {
    const BadFileCase& c = GetParam();
    ScratchFolder folder;
    std::string path = folder.file(c.fileName);
    c.make(path);
    NiftiReadResult read = readNiftiImage(path, SampleKind::kInt16WhenRaw, c.limits);
    EXPECT_NE(read.error.find(c.expected), std::string::npos) << "refusal: " << read.error;
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, NiftiBadFile,
    ::testing::Values(
        BadFileCase{"missing", "missing.nii", makeNothing, "does not exist", NiftiLimits{}},
        BadFileCase{"text", "text.nii", makeText, "not a NIfTI-1 file", NiftiLimits{}},
        BadFileCase{"wrong_name", "image.img", makeNotNiftiName, "not named as a NIfTI-1", NiftiLimits{}},
        BadFileCase{"analyze", "analyze.nii", makeAnalyze, "without the NIfTI magic", NiftiLimits{}},
        BadFileCase{"truncated_plain", "short.nii", makeTruncatedPlain, "is truncated", NiftiLimits{}},
        BadFileCase{"truncated_gz", "short.nii.gz", makeTruncatedGz,
                    "is truncated: its data need 48 bytes, the file holds 10", NiftiLimits{}},
        BadFileCase{"cut_gz", "cut.nii.gz", makeCutGz, "is truncated", NiftiLimits{}},
        BadFileCase{"damaged_middle_gz", "damaged.nii.gz", makeDamagedMiddleGz, "is corrupt", NiftiLimits{}},
        BadFileCase{"crc_mismatch_gz", "crc.nii.gz", makeCrcMismatchGz, "is corrupt", NiftiLimits{}},
        BadFileCase{"length_mismatch_gz", "length.nii.gz", makeLengthMismatchGz, "is corrupt", NiftiLimits{}},
        BadFileCase{"damaged_header_gz", "header.nii.gz", makeDamagedHeaderGz, "is corrupt", NiftiLimits{}},
        BadFileCase{"volume_bomb", "bomb.nii.gz", makeVolumeBomb, "at most 2 GiB per image", NiftiLimits{}},
        BadFileCase{"offset_1e30", "offset.nii", makeHugeOffset, "invalid data offset", NiftiLimits{}},
        BadFileCase{"offset_infinite", "offset.nii", makeInfiniteOffset, "invalid data offset (inf)",
                    NiftiLimits{}},
        BadFileCase{"qform_zero_pixdim", "qzero.nii", makeQformZeroPixdim, "voxel size 0 along axis 2",
                    NiftiLimits{}},
        BadFileCase{"qform_nan_pixdim", "qnan.nii", makeQformNanPixdim, "voxel size nan along axis 2",
                    NiftiLimits{}},
        BadFileCase{"symlink_loop", "loop.nii", makeSymlinkLoop, "loop of symbolic links", NiftiLimits{}},
        BadFileCase{"two_dimensions", "flat.nii", makeTwoDimensional, "at least 3", NiftiLimits{}},
        BadFileCase{"zero_size", "zero.nii", makeZeroSize, "size 0 along dimension 2", NiftiLimits{}},
        BadFileCase{"negative_size", "negative.nii", makeNegativeSize, "size -5 along dimension 3",
                    NiftiLimits{}},
        BadFileCase{"singular_sform", "singular.nii", makeSingularSform, "singular", NiftiLimits{}},
        BadFileCase{"zero_pixdim", "pixdim.nii", makeZeroPixdim, "singular", NiftiLimits{}},
        BadFileCase{"anatomical_too_large", "large.nii", makeLargeAnatomical, "at most 512",
                    anatomicalLimits()},
        BadFileCase{"voxel_count_over_int32", "huge.nii", makeHugeVolume, "4000000000 voxels per volume",
                    NiftiLimits{}},
        BadFileCase{"complex_samples", "complex.nii", makeComplex, "unsupported sample type", NiftiLimits{}},
        BadFileCase{"anatomical_with_volumes", "volumes.nii", makeSeveralVolumes, "3 volumes",
                    anatomicalLimits()}),
    [](const ::testing::TestParamInfo<BadFileCase>& info) { return info.param.name; });

TEST(NiftiRead, MemoryFollowsTheDataTheFileHoldsNotItsHeader) {
    ScratchFolder folder;
    std::string path = folder.file("claims.nii.gz");
    nifti_1_header h = validHeader();
    h.dim[1] = 1000;
    h.dim[2] = 1000;
    h.dim[3] = 500; // a gigabyte of int16 samples claimed, a megabyte held
    std::vector<char> held(1 << 20, 7);
    gzFile file = gzopen(path.c_str(), "wb");
    gzwrite(file, &h, sizeof h);
    gzwrite(file, "\0\0\0\0", 4);
    gzwrite(file, held.data(), static_cast<unsigned>(held.size()));
    gzclose(file);
    struct rusage before, after;
    getrusage(RUSAGE_SELF, &before);
    NiftiReadResult read = readNiftiImage(path, SampleKind::kInt16WhenRaw, NiftiLimits{});
    getrusage(RUSAGE_SELF, &after);
    EXPECT_NE(read.error.find("more than a file of"), std::string::npos) << read.error;
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 200 * 1024) << "peak grew by kilobytes";
}

TEST(NiftiStem, DropsFolderAndExtension) {
    EXPECT_EQ(niftiStem("/data/sub-01/run1.nii.gz"), "run1");
    EXPECT_EQ(niftiStem("anat.nii"), "anat");
    EXPECT_EQ(niftiStem("dir.nii/scan.v2.nii"), "scan.v2");
}

} // namespace
