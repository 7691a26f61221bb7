// Images read from memory (NIfTI-1 bytes, or an array with its affine) come out as the same bytes in a file
// do: the same samples, affine and kind of samples, or the same refusal.
#include <gtest/gtest.h>
#include <nifti1_io.h>

#include <cmath>
#include <cstring>
#include <fstream>

#include "host/nifti/nifti_array_image.h"
#include "host/nifti/nifti_file.h"
#include "tests/host/app_test_support.h"

namespace {

// A 3x2x2 image of two volumes with a rotated sform and a qform; callers change a field or two.
nifti_1_header smallHeader(short datatype, short bitpix) {
    nifti_1_header h;
    memset(&h, 0, sizeof h);
    h.sizeof_hdr = 348;
    h.dim[0] = 4;
    h.dim[1] = 3;
    h.dim[2] = 2;
    h.dim[3] = 2;
    h.dim[4] = 2;
    for (int i = 5; i < 8; ++i) {
        h.dim[i] = 1;
    }
    h.datatype = datatype;
    h.bitpix = bitpix;
    for (int i = 0; i < 8; ++i) {
        h.pixdim[i] = 2.0f;
    }
    const float rows[3][4] = {{0, -2, 0, 10}, {2, 0, 0, -4}, {0, 0, 2, 7}};
    memcpy(h.srow_x, rows[0], sizeof h.srow_x);
    memcpy(h.srow_y, rows[1], sizeof h.srow_y);
    memcpy(h.srow_z, rows[2], sizeof h.srow_z);
    h.sform_code = 1;
    h.qform_code = 1;
    h.quatern_d = 1.0f;
    h.vox_offset = 352;
    memcpy(h.magic, "n+1", 4);
    return h;
}

// Data bytes in a pattern that gives every type distinct values, negative ones for the signed types.
std::vector<unsigned char> patternBytes(size_t count) {
    std::vector<unsigned char> bytes(count);
    for (size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<unsigned char>(37 * i + 11);
    }
    return bytes;
}

// One image per row: how its header is made from the small one, and how it is read.
struct MemoryCase {
    const char* name;
    nifti_1_header (*header)();
    SampleKind kind;
    NiftiLimits limits;
};

nifti_1_header rawInt16() {
    return smallHeader(DT_INT16, 16);
}
nifti_1_header scaledInt16() {
    nifti_1_header h = rawInt16();
    h.scl_slope = 0.5f;
    h.scl_inter = -3.0f;
    return h;
}
nifti_1_header scaledUint8() {
    nifti_1_header h = smallHeader(DT_UINT8, 8);
    h.scl_slope = 2.0f;
    return h;
}
nifti_1_header float64() {
    return smallHeader(DT_FLOAT64, 64);
}
nifti_1_header qformOnly() {
    nifti_1_header h = smallHeader(DT_INT32, 32);
    h.sform_code = 0;
    return h;
}
nifti_1_header byteSwappedInt16() {
    nifti_1_header h = rawInt16();
    swap_nifti_header(&h, 1);
    return h;
}
nifti_1_header byteSwappedFloat32() {
    nifti_1_header h = smallHeader(DT_FLOAT32, 32);
    swap_nifti_header(&h, 1);
    return h;
}
nifti_1_header twoDimensional() {
    nifti_1_header h = rawInt16();
    h.dim[0] = 2;
    return h;
}
nifti_1_header singularSform() {
    nifti_1_header h = rawInt16();
    memcpy(h.srow_y, h.srow_x, sizeof h.srow_y);
    return h;
}
nifti_1_header complexSamples() {
    return smallHeader(DT_COMPLEX64, 64);
}
nifti_1_header notNifti() {
    nifti_1_header h = rawInt16();
    memset(h.magic, 0, 4);
    return h;
}

NiftiLimits oneVolume() {
    NiftiLimits limits;
    limits.allowSeveralVolumes = false;
    return limits;
}

void PrintTo(const MemoryCase& c, std::ostream* os) {
    *os << c.name;
}

class NiftiMemoryImage : public ::testing::TestWithParam<MemoryCase> {};

TEST_P(NiftiMemoryImage, IsReadAsTheFileWithTheSameBytes) {
    const MemoryCase& c = GetParam();
    const nifti_1_header header = c.header();
    const std::vector<unsigned char> data = patternBytes(3 * 2 * 2 * 2 * 8);
    ScratchFolder folder;
    const std::string path = folder.file("image.nii");
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(&header), sizeof header);
        out.write("\0\0\0\0", 4);
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }
    const NiftiReadResult file = readNiftiImage(path, c.kind, c.limits);
    const NiftiReadResult memory = niftiImageFromMemory(&header, data.data(), data.size(), c.kind, c.limits);
    EXPECT_EQ(memory.error, file.error);
    const NiftiImage& a = memory.image;
    const NiftiImage& b = file.image;
    EXPECT_EQ(std::vector<int>({a.nx, a.ny, a.nz, a.nt}), std::vector<int>({b.nx, b.ny, b.nz, b.nt}));
    EXPECT_EQ(a.voxelToWorld, b.voxelToWorld);
    EXPECT_EQ(a.affineSource, b.affineSource);
    EXPECT_EQ(a.isInt16, b.isInt16);
    EXPECT_EQ(a.int16Samples, b.int16Samples);
    ASSERT_EQ(a.floatSamples.size(), b.floatSamples.size());
    EXPECT_EQ(memcmp(a.floatSamples.data(), b.floatSamples.data(), a.floatSamples.size() * sizeof(float)), 0);
    EXPECT_EQ(a.geometry.sformCode, b.geometry.sformCode);
    if (file.error.empty()) {
        EXPECT_GT(a.int16Samples.size() + a.floatSamples.size(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    SameAsFile, NiftiMemoryImage,
    ::testing::Values(MemoryCase{"raw_int16_kept", rawInt16, SampleKind::kInt16WhenRaw, NiftiLimits{}},
                      MemoryCase{"raw_int16_as_float", rawInt16, SampleKind::kFloat, NiftiLimits{}},
                      MemoryCase{"scaled_int16", scaledInt16, SampleKind::kInt16WhenRaw, NiftiLimits{}},
                      MemoryCase{"scaled_uint8", scaledUint8, SampleKind::kFloat, NiftiLimits{}},
                      MemoryCase{"float64", float64, SampleKind::kFloat, NiftiLimits{}},
                      MemoryCase{"qform_only", qformOnly, SampleKind::kFloat, NiftiLimits{}},
                      MemoryCase{"swapped_int16", byteSwappedInt16, SampleKind::kInt16WhenRaw, NiftiLimits{}},
                      MemoryCase{"swapped_float32", byteSwappedFloat32, SampleKind::kFloat, NiftiLimits{}},
                      MemoryCase{"two_dimensions", twoDimensional, SampleKind::kFloat, NiftiLimits{}},
                      MemoryCase{"singular_sform", singularSform, SampleKind::kFloat, NiftiLimits{}},
                      MemoryCase{"complex", complexSamples, SampleKind::kFloat, NiftiLimits{}},
                      MemoryCase{"not_nifti", notNifti, SampleKind::kFloat, NiftiLimits{}},
                      MemoryCase{"several_volumes_refused", rawInt16, SampleKind::kFloat, oneVolume()}),
    [](const ::testing::TestParamInfo<MemoryCase>& info) { return info.param.name; });

TEST(NiftiMemoryImage, DataShorterThanTheHeaderSaysAreRefused) {
    const nifti_1_header header = rawInt16();
    const std::vector<unsigned char> data = patternBytes(10);
    const NiftiReadResult read =
        niftiImageFromMemory(&header, data.data(), data.size(), SampleKind::kFloat, NiftiLimits{});
    EXPECT_EQ(read.error, "is truncated: its data need 48 bytes, the data hold 10");
}

TEST(NiftiArrayImage, IsTheImageOfTheArrayWithItsAffineAsSform) {
    const double samples[2 * 3 * 2] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, -1e300};
    SampleArray array;
    array.type = ArraySampleType::kFloat64;
    array.shape = {2, 3, 2};
    array.samples = samples;
    array.voxelToWorld = {0, 0, 1.5, -3, 2, 0, 0, 5, 0, 2.5, 0, 0.1, 0, 0, 0, 1};
    const NiftiReadResult read = niftiImageFromArray(array, SampleKind::kInt16WhenRaw, NiftiLimits{});
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(std::vector<int>({read.image.nx, read.image.ny, read.image.nz, read.image.nt}),
              std::vector<int>({2, 3, 2, 1}));
    EXPECT_EQ(read.image.affineSource, AffineSource::kSform);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(read.image.voxelToWorld[i], static_cast<float>(array.voxelToWorld[i])) << i;
    }
    ASSERT_FALSE(read.image.isInt16);
    EXPECT_EQ(read.image.floatSamples[4], 5.0f);
    EXPECT_EQ(read.image.floatSamples[11], -INFINITY); // beyond the float range, as the file reader has it
}

TEST(NiftiArrayImage, AnAxisANiftiHeaderCannotHoldIsRefused) {
    const uint8_t sample = 0;
    SampleArray array;
    array.type = ArraySampleType::kUint8;
    array.shape = {40000, 1, 1};
    array.samples = &sample;
    array.voxelToWorld = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_EQ(niftiImageFromArray(array, SampleKind::kFloat, NiftiLimits{}).error,
              "has 40000 samples along axis 1; a NIfTI-1 image holds at most 32767");
    array.shape = {1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(niftiImageFromArray(array, SampleKind::kFloat, NiftiLimits{}).error,
              "has an invalid number of dimensions (8)");
}

} // namespace
