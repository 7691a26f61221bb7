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

// One image per row: the small header with a type, scaling and a spoiled field or two, and how it is read.
struct MemoryCase {
    const char* name;
    short datatype, bitpix;
    float slope, inter;
    short rank, sformCode;
    bool swapped, singularSform, noMagic, oneVolume, keepInt16;
};

nifti_1_header caseHeader(const MemoryCase& c) {
    nifti_1_header h = smallHeader(c.datatype, c.bitpix);
    h.scl_slope = c.slope;
    h.scl_inter = c.inter;
    h.dim[0] = c.rank;
    h.sform_code = c.sformCode;
    if (c.singularSform) {
        memcpy(h.srow_y, h.srow_x, sizeof h.srow_y);
    }
    if (c.noMagic) {
        memset(h.magic, 0, 4);
    }
    if (c.swapped) {
        swap_nifti_header(&h, 1);
    }
    return h;
}

void PrintTo(const MemoryCase& c, std::ostream* os) {
    *os << c.name;
}

class NiftiMemoryImage : public ::testing::TestWithParam<MemoryCase> {};

TEST_P(NiftiMemoryImage, IsReadAsTheFileWithTheSameBytes) {
    const MemoryCase& c = GetParam();
    const nifti_1_header header = caseHeader(c);
    const std::vector<unsigned char> data = patternBytes(3 * 2 * 2 * 2 * 8);
    ScratchFolder folder;
    const std::string path = folder.file("image.nii");
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(&header), sizeof header);
        out.write("\0\0\0\0", 4);
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }
    const SampleKind kind = c.keepInt16 ? SampleKind::kInt16WhenRaw : SampleKind::kFloat;
    NiftiLimits limits;
    limits.allowSeveralVolumes = !c.oneVolume;
    const NiftiReadResult file = readNiftiImage(path, kind, limits);
    const NiftiReadResult memory = niftiImageFromMemory(&header, data.data(), data.size(), kind, limits);
    EXPECT_EQ(memory.error, file.error);
    const NiftiImage& a = memory.image;
    const NiftiImage& b = file.image;
    EXPECT_EQ(std::vector<int>({a.nx, a.ny, a.nz, a.nt}), std::vector<int>({b.nx, b.ny, b.nz, b.nt}));
    EXPECT_EQ(a.voxelToWorld, b.voxelToWorld);
    EXPECT_EQ(a.affineSource, b.affineSource);
    EXPECT_EQ(a.isInt16, b.isInt16);
    EXPECT_EQ(a.int16Samples, b.int16Samples);
    ASSERT_EQ(a.floatSamples.size(), b.floatSamples.size());
    if (!a.floatSamples.empty()) { // bit for bit, NaN too
        EXPECT_EQ(memcmp(a.floatSamples.data(), b.floatSamples.data(), a.floatSamples.size() * sizeof(float)),
                  0);
    }
    EXPECT_EQ(file.error.empty(), a.int16Samples.size() + a.floatSamples.size() > 0);
}

// name, datatype, bitpix, slope, inter, rank, sform code, swapped, singular sform, no magic, one volume,
// int16 kept.
INSTANTIATE_TEST_SUITE_P(
    SameAsFile, NiftiMemoryImage,
    ::testing::Values(
        MemoryCase{"raw_int16_kept", DT_INT16, 16, 0, 0, 4, 1, false, false, false, false, true},
        MemoryCase{"raw_int16_as_float", DT_INT16, 16, 0, 0, 4, 1, false, false, false, false, false},
        MemoryCase{"scaled_int16", DT_INT16, 16, 0.5f, -3, 4, 1, false, false, false, false, true},
        MemoryCase{"scaled_uint8", DT_UINT8, 8, 2, 0, 4, 1, false, false, false, false, false},
        MemoryCase{"float64", DT_FLOAT64, 64, 0, 0, 4, 1, false, false, false, false, false},
        MemoryCase{"qform_only", DT_INT32, 32, 0, 0, 4, 0, false, false, false, false, false},
        MemoryCase{"swapped_int16", DT_INT16, 16, 0, 0, 4, 1, true, false, false, false, true},
        MemoryCase{"swapped_float32", DT_FLOAT32, 32, 0, 0, 4, 1, true, false, false, false, false},
        MemoryCase{"two_dimensions", DT_INT16, 16, 0, 0, 2, 1, false, false, false, false, false},
        MemoryCase{"singular_sform", DT_INT16, 16, 0, 0, 4, 1, false, true, false, false, false},
        MemoryCase{"complex", DT_COMPLEX64, 64, 0, 0, 4, 1, false, false, false, false, false},
        MemoryCase{"not_nifti", DT_INT16, 16, 0, 0, 4, 1, false, false, true, false, false},
        MemoryCase{"several_volumes_refused", DT_INT16, 16, 0, 0, 4, 1, false, false, false, true, false}),
    [](const ::testing::TestParamInfo<MemoryCase>& info) { return info.param.name; });

TEST(NiftiMemoryImage, DataShorterThanTheHeaderSaysAreRefused) {
    const nifti_1_header header = smallHeader(DT_INT16, 16);
    const std::vector<unsigned char> data = patternBytes(10);
    const NiftiReadResult read =
        niftiImageFromMemory(&header, data.data(), data.size(), SampleKind::kFloat, NiftiLimits{});
    EXPECT_EQ(read.error, "is truncated: its data need 48 bytes, the data hold 10");
}

// A numpy array may be a view at any byte; the sanitizer tree catches a misaligned read.
TEST(NiftiMemoryImage, DataAtAnOddAddressAreReadAsAligned) {
    const nifti_1_header header = smallHeader(DT_FLOAT64, 64);
    const std::vector<unsigned char> data = patternBytes(3 * 2 * 2 * 2 * 8);
    std::vector<unsigned char> shifted(data.size() + 1);
    memcpy(shifted.data() + 1, data.data(), data.size());
    const NiftiReadResult aligned =
        niftiImageFromMemory(&header, data.data(), data.size(), SampleKind::kFloat, NiftiLimits{});
    const NiftiReadResult odd =
        niftiImageFromMemory(&header, shifted.data() + 1, data.size(), SampleKind::kFloat, NiftiLimits{});
    ASSERT_EQ(odd.error, "");
    ASSERT_EQ(odd.image.floatSamples.size(), aligned.image.floatSamples.size());
    EXPECT_EQ(memcmp(odd.image.floatSamples.data(), aligned.image.floatSamples.data(),
                     odd.image.floatSamples.size() * sizeof(float)),
              0);
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

TEST(NiftiArrayImage, WhatANiftiHeaderCannotHoldIsRefused) {
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
    array.shape = {1, 1, 1};
    array.voxelToWorld[3] = 1e300; // beyond what a header's float holds: no undefined conversion
    EXPECT_EQ(niftiImageFromArray(array, SampleKind::kFloat, NiftiLimits{}).error,
              "has a singular or non-finite voxel-to-world affine (from its sform)");
}

} // namespace
