// Fixed-layout records that the plug-in allocates and the host fills.
//
// Every record is a plain standard-layout struct whose size and field offsets match the host's byte layout
// (checked below). Integers are 32-bit signed little-endian, reals 32-bit IEEE floats, texts NUL-terminated
// 8-bit strings stored in place. Bytes the plug-in does not use are kept as opaque arrays and carried unread.
// Both supported targets (x86_64 Linux and Windows) are little-endian, so the structs are the byte layout.
#ifndef POSALIGN_HOST_API_HOST_RECORDS_H
#define POSALIGN_HOST_API_HOST_RECORDS_H

#include <stddef.h>
#include <stdint.h>

// Text capacities (bytes, NUL included) that this build chooses for the FMR header's names. They fill the
// gaps between the fixed offsets, so the record stays 1160 bytes.
enum {
    kFmrFileNameCapacity = 308,       // bytes 0..307
    kFmrStcPrefixCapacity = 256,      // bytes 368..623
    kFmrLinkedFileNameCapacity = 263  // bytes 897..1159
};

// Sample type codes of FmrHeader::dataType.
enum FmrDataType { kFmrDataInt16 = 1, kFmrDataFloat32 = 2 };

// Document type codes answered by zrGetDocumentType.
enum DocumentType { kDocumentFmr = 1, kDocumentVmr = 3 };

// Header of a functional (FMR) document: 1160 bytes.
struct FmrHeader {
    char fileName[kFmrFileNameCapacity];  // 0: document file name; becomes stcPrefix + ".fmr" before saving
    int32_t dimX;                         // 308: columns of one volume
    int32_t dimY;                         // 312: rows of one volume
    int32_t dimZ;                         // 316: slices of one volume
    float voxelSizeX;                     // 320: voxel size along x (mm)
    float voxelSizeY;                     // 324: voxel size along y (mm)
    float voxelSizeZ;                     // 328: voxel size along z (mm)
    unsigned char hostBytes332[24];       // 332: host fields, carried unread
    int32_t dataType;                     // 356: FmrDataType; any other value: samples are not touched
    unsigned char hostBytes360[8];        // 360: host fields, carried unread
    char stcPrefix[kFmrStcPrefixCapacity];  // 368: name prefix of the data files
    unsigned char hostBytes624[273];        // 624: host fields, carried unread
    char linkedFileName[kFmrLinkedFileNameCapacity];  // 897: emptied before saving
};

// Scanner position information of an FMR or a VMR: 80 bytes. The plug-in reads only the slice centres;
// the remaining bytes belong to the host (which documents its own use of them) and are passed on unread.
struct ScannerPositionHeader {
    unsigned char hostBytes0[8];  // 0: host fields
    float firstSliceCenterX;      // 8: scanner coordinates of the centre of the first slice
    float firstSliceCenterY;      // 12
    float firstSliceCenterZ;      // 16
    float lastSliceCenterX;       // 20: scanner coordinates of the centre of the last slice
    float lastSliceCenterY;       // 24
    float lastSliceCenterZ;       // 28
    unsigned char hostBytes32[48];  // 32: host fields
};

// Main header of an anatomical (VMR) document: 368 bytes.
struct VmrHeader {
    unsigned char hostBytes0[304];  // 0: host fields
    int32_t dimX;                   // 304: voxels along x
    int32_t dimY;                   // 308: voxels along y
    int32_t dimZ;                   // 312: voxels along z
    unsigned char hostBytes316[16];  // 316: host fields
    float voxelSizeX;                // 332: voxel size along x (mm)
    float voxelSizeY;                // 336: voxel size along y (mm)
    float voxelSizeZ;                // 340: voxel size along z (mm)
    unsigned char hostBytes344[24];  // 344: host fields
};

// The VMR's record of earlier spatial transformations: 10108 bytes, opaque to the plug-in.
struct PastTransformationsHeader {
    unsigned char hostBytes[10108];
};

// Initial-alignment matrix written by zrCalculateIAMatrix: sixteen floats in the host's own order
// (s0..s15); only convertIaMatrix interprets them.
struct IaMatrix {
    float s[16];
};

static_assert(sizeof(FmrHeader) == 1160, "FmrHeader is 1160 bytes");
static_assert(offsetof(FmrHeader, fileName) == 0, "FmrHeader layout");
static_assert(offsetof(FmrHeader, dimX) == 308, "FmrHeader layout");
static_assert(offsetof(FmrHeader, dimY) == 312, "FmrHeader layout");
static_assert(offsetof(FmrHeader, dimZ) == 316, "FmrHeader layout");
static_assert(offsetof(FmrHeader, voxelSizeX) == 320, "FmrHeader layout");
static_assert(offsetof(FmrHeader, voxelSizeY) == 324, "FmrHeader layout");
static_assert(offsetof(FmrHeader, voxelSizeZ) == 328, "FmrHeader layout");
static_assert(offsetof(FmrHeader, dataType) == 356, "FmrHeader layout");
static_assert(offsetof(FmrHeader, stcPrefix) == 368, "FmrHeader layout");
static_assert(offsetof(FmrHeader, linkedFileName) == 897, "FmrHeader layout");

static_assert(sizeof(ScannerPositionHeader) == 80, "ScannerPositionHeader is 80 bytes");
static_assert(offsetof(ScannerPositionHeader, firstSliceCenterX) == 8, "ScannerPositionHeader layout");
static_assert(offsetof(ScannerPositionHeader, firstSliceCenterY) == 12, "ScannerPositionHeader layout");
static_assert(offsetof(ScannerPositionHeader, firstSliceCenterZ) == 16, "ScannerPositionHeader layout");
static_assert(offsetof(ScannerPositionHeader, lastSliceCenterX) == 20, "ScannerPositionHeader layout");
static_assert(offsetof(ScannerPositionHeader, lastSliceCenterY) == 24, "ScannerPositionHeader layout");
static_assert(offsetof(ScannerPositionHeader, lastSliceCenterZ) == 28, "ScannerPositionHeader layout");

static_assert(sizeof(VmrHeader) == 368, "VmrHeader is 368 bytes");
static_assert(offsetof(VmrHeader, dimX) == 304, "VmrHeader layout");
static_assert(offsetof(VmrHeader, dimY) == 308, "VmrHeader layout");
static_assert(offsetof(VmrHeader, dimZ) == 312, "VmrHeader layout");
static_assert(offsetof(VmrHeader, voxelSizeX) == 332, "VmrHeader layout");
static_assert(offsetof(VmrHeader, voxelSizeY) == 336, "VmrHeader layout");
static_assert(offsetof(VmrHeader, voxelSizeZ) == 340, "VmrHeader layout");

static_assert(sizeof(PastTransformationsHeader) == 10108, "PastTransformationsHeader is 10108 bytes");
static_assert(sizeof(IaMatrix) == 64, "IaMatrix is 64 bytes");

#endif
