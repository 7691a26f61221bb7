// The anatomical name of a plane of a grid, from the grid's voxel-to-scanner geometry.
#ifndef POSALIGN_HOST_PICTURES_PLANE_ORIENTATION_H
#define POSALIGN_HOST_PICTURES_PLANE_ORIENTATION_H

// Scanner axes: x runs left-right, y front-back, z along the body (head-foot).
// "SAGITTAL", "CORONAL" or "AXIAL" for the plane spanned by voxel axes uAxis and vAxis (0..2) of a
// row-major voxel-to-scanner affine, by the scanner axis its normal lies closest to; "OBLIQUE" when the
// normal is more than about 37 degrees away from every scanner axis, "" for a degenerate plane.
const char* planeOrientationName(const double voxelToScanner[16], int uAxis, int vAxis);

#endif
