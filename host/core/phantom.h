// The built-in synthetic data set: an anatomical VMR and one or two functional FMRs, all sampled from one
// analytic head object defined in scanner millimetres, so that their true alignment is known.
//
// The object: scalp, skull, CSF, grey and white matter ellipsoids, two lateral ventricles, two eyes and a
// marker blob on the left only (so mirror errors show). VMR bytes 0..225 with anatomical contrast; FMR
// samples with EPI-like contrast (CSF bright, white matter darker than grey). Generation is pure arithmetic
// (no library calls per voxel), so Linux and Windows builds produce identical data.
#ifndef POSALIGN_HOST_CORE_PHANTOM_H
#define POSALIGN_HOST_CORE_PHANTOM_H

#include <stdint.h>

#include "host/core/workspace.h"

// Slice orientation of a grid: the scanner directions of its voxel axes x, y, z.
//   axial: x +x, y +y, slices +z;  coronal: x +x, y -z, slices +y;  sagittal: x +y, y -z, slices +x;
//   oblique: axial rotated by 12 degrees about x, then 7 degrees about z. Descending reverses the slices.
enum PhantomOrientation { kPhantomAxial = 0, kPhantomSagittal = 1, kPhantomCoronal = 2, kPhantomOblique = 3 };

struct PhantomOptions {
    // VMR: cubic grid.
    int32_t vmrSize;    // voxels per axis (default 256)
    float vmrVoxelSize; // mm (default 1)
    int vmrOrientation; // PhantomOrientation (default axial)
    int vmrFlipAxes;    // bit a set: the VMR was mirrored along axis a after acquisition (recorded)
    // FMRs.
    int fmrCount;              // 1 or 2 (default 2)
    int32_t fmrDims[3];        // default 64, 64, 30
    float fmrVoxelSize[3];     // default 3.5, 3.5, 4
    int fmrVolumeCount;        // default 3
    int fmrDataType;           // FmrDataType (default int16)
    int fmrOrientation;        // PhantomOrientation (default oblique)
    bool fmrDescending;        // slices acquired in descending order (default true)
    float fmrRotationDeg[3];   // extra rotation about scanner x, y, z applied to both FMR grids (default 0)
    float fmrShiftMm[3];       // shift of the FMR grid centre from the head centre (default 0, 0, 5)
    float secondRunShiftMm[3]; // additional shift of the second run (default 3, -2, 4)
    float secondRunRotationDeg[3]; // additional rotation of the second run (default 0, 0, 2)
    // Header error: the first FMR's data are sampled at its true position but its geometry is reported
    // shifted by this much (default 0), to make a misaligned run.
    float fmr1HeaderErrorMm[3];
};

// The default data set described above.
void defaultPhantomOptions(PhantomOptions* options);

// Options for fast tests: a 64^3 VMR at 4 mm, otherwise the defaults.
void smallPhantomOptions(PhantomOptions* options);

// Fills the (empty) workspace with the VMR (document 0) and the FMRs (documents 1, 2), named phantom.vmr,
// phantom_run1.fmr / phantom_run1 and phantom_run2.fmr / phantom_run2, and makes document 0 current. False,
// workspace left empty, on invalid options or no memory.
bool buildPhantomWorkspace(const PhantomOptions* options, HostWorkspace* workspace);

// The voxel-to-scanner affine (row-major) of a grid with the phantom's conventions: the grid centre at
// centreMm, axes per orientation, then rotated about scanner x, y, z by rotationDeg (in this order), the
// slice axis reversed when descending.
void phantomGridAffine(const int32_t dims[3], const float voxelSize[3], int orientation, bool descending,
                       const float rotationDeg[3], const float centreMm[3], double voxelToScanner[16]);

#endif
