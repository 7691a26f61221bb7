// Planes through the world (RAS, mm) shown the same way whatever a file's storage order: axial seen from
// above, coronal seen from the front, sagittal seen from the subject's left.
//
// Convention (neurological): the subject's left is on the picture's left in the axial and coronal planes
// (R on the right), anterior is up in the axial plane, superior is up in the coronal and sagittal planes,
// and anterior is on the right in the sagittal plane. Pixel (px, py), py counted from the top, shows the
// world point
//   axial:    x = minimum.x + (px + 0.5) s,  y = maximum.y - (py + 0.5) s,  z = centre.z
//   coronal:  x = minimum.x + (px + 0.5) s,  z = maximum.z - (py + 0.5) s,  y = centre.y
//   sagittal: y = minimum.y + (px + 0.5) s,  z = maximum.z - (py + 0.5) s,  x = centre.x
// with s = mmPerPixel.
#ifndef POSALIGN_HOST_ALIGNMENT_REPORT_WORLD_PLANE_H
#define POSALIGN_HOST_ALIGNMENT_REPORT_WORLD_PLANE_H

#include <vector>

#include "host/alignment_check/scalar_volume.h"

enum class PlaneKind { kAxial, kCoronal, kSagittal };

const PlaneKind kAllPlanes[3] = {PlaneKind::kAxial, PlaneKind::kCoronal, PlaneKind::kSagittal};

// What every picture of one subject shows: the same world box, the same plane positions, the same scale.
struct WorldView {
    Point3d minimum{}, maximum{};
    Point3d centre{}; // the three planes pass through this point
    double mmPerPixel = 1;
};

// Samples of one plane, row by row from the top; NaN where the plane lies outside the volume.
struct PlanePicture {
    int width = 0, height = 0;
    std::vector<float> values;
};

// The view of a subject, fixed by its anatomical alone so that every run of the subject is shown at the
// same place: the box around the head (samples above the volume's mean, with a margin), planes through the
// head's centre of mass, and a scale that gives the box's largest side about 256 pixels.
WorldView subjectView(const ScalarGrid& anatomical);

// Width and height in pixels of a plane of the view.
void planeSize(const WorldView& view, PlaneKind kind, int& width, int& height);

// The world point at the centre of pixel (px, py) of a plane (the mapping in the header comment).
Point3d planePixelToWorld(const WorldView& view, PlaneKind kind, double px, double py);

// Samples the volume, placed by voxelToWorld (which may differ from the volume's own affine, e.g. a
// corrected position), on a plane of the view by trilinear interpolation.
PlanePicture samplePlane(const ScalarGrid& volume, const Matrix4d& voxelToWorld, const WorldView& view,
                         PlaneKind kind);

// "AXIAL", "CORONAL" or "SAGITTAL".
const char* planeKindName(PlaneKind kind);

// The orientation letters at the picture's left, right, top and bottom edges ("L", "R", "A", "P", ...).
void planeLetters(PlaneKind kind, const char* letters[4]);

#endif
