// The host's scanner position record, filled from a document's geometry, and read back.
//
// ScannerPositionHeader, 80 bytes, as this host fills it (integers int32, reals float32):
//    0  dimX                        columns (voxels along x)
//    4  dimY                        rows (voxels along y)
//    8  first slice centre x, y, z  scanner mm of voxel ((dimX-1)/2, (dimY-1)/2, 0)
//   20  last slice centre x, y, z   scanner mm of voxel ((dimX-1)/2, (dimY-1)/2, dimZ-1)
//   32  dimZ                        slices
//   36  voxel size x, y, z          mm
//   48  row direction x, y, z       unit scanner direction of increasing x index
//   60  column direction x, y, z    unit scanner direction of increasing y index
//   72  slice handedness            +1 when the slice direction is row x column, -1 otherwise (only needed
//                                   to rebuild the geometry of a single slice)
//   76  reserved, 0
// The slice step is (last - first) / (dimZ - 1); a single slice steps voxel size z along the normal.
// A VMR's record describes its geometry before the flips recorded in its past transformations.
#ifndef POSALIGN_HOST_CORE_SCANNER_GEOMETRY_H
#define POSALIGN_HOST_CORE_SCANNER_GEOMETRY_H

#include "host/core/workspace.h"
#include "host_api/host_records.h"

// Writes the record for a document's geometry; VMR records undo the recorded flips first.
void fillScannerPosition(const HostDocument* document, ScannerPositionHeader* position);

// Writes the record for dims and a voxel-to-scanner affine (row-major, voxel index to mm).
void fillScannerPositionFromAffine(const int32_t dims[3], const double voxelToScanner[16],
                                   ScannerPositionHeader* position);

// Rebuilds the centred geometry from a record: dims and the affine mapping the centred voxel coordinate
// (i - (dimX-1)/2, j - (dimY-1)/2, k - (dimZ-1)/2, 1) to scanner mm. False when a dimension or voxel size
// is not positive, a value is not finite, or the directions are degenerate.
bool readScannerPosition(const ScannerPositionHeader* position, int32_t dims[3], double centredToScanner[16]);

// The voxel sizes stored in a record (bytes 36..47).
void readScannerVoxelSize(const ScannerPositionHeader* position, double voxelSize[3]);

// Writes a VMR header: dims and voxel sizes of the document, other bytes 0.
void fillVmrHeader(const HostDocument* document, VmrHeader* header);

// Writes an FMR header: the document's names, dims, voxel sizes and dataType, other bytes 0.
void fillFmrHeader(const HostDocument* document, FmrHeader* header);

#endif
