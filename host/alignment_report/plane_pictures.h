// Pictures of the three world planes of a subject's view: a grey image, the anatomy's edges over it when
// given, orientation letters at every edge of every plane, and a title.
#ifndef POSALIGN_HOST_ALIGNMENT_REPORT_PLANE_PICTURES_H
#define POSALIGN_HOST_ALIGNMENT_REPORT_PLANE_PICTURES_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "host/alignment_report/world_plane.h"
#include "host/pictures/rgb_image.h"

// The three planes in the order of kAllPlanes.
using PlaneTriple = std::array<PlanePicture, 3>;
using EdgeTriple = std::array<std::vector<uint8_t>, 3>;

// Sample values shown from black (low) to white (high).
struct GreyRange {
    float low = 0, high = 1;
};

// The three planes of the view through the volume placed by voxelToWorld.
PlaneTriple samplePlanes(const ScalarGrid& volume, const Matrix4d& voxelToWorld, const WorldView& view);

// The edges of each plane of an anatomy (anatomyEdges).
EdgeTriple planeEdges(const PlaneTriple& anatomy);

// The 1st to 99th percentile of the volume's finite samples above its 5th percentile (background left out).
GreyRange displayRange(const ScalarGrid& volume);

// Colour of the drawn edges: 1 (an edge, or the brain's outline) red, 2 (the grey/white boundary) yellow,
// 3 (the ventricles) cyan; see anatomy_regions.h.
const Rgb kEdgeColour{255, 48, 48};
Rgb edgeColour(uint8_t kind);

// The planes side by side with the title above; edges, when not null, drawn in edgeColour. Outside the
// volume the planes are dark blue, so that missing coverage is told apart from black tissue.
RgbImage renderPlanes(const WorldView& view, const PlaneTriple& planes, GreyRange range,
                      const EdgeTriple* edges, const std::string& title);

// Where pixel (px, py) of plane p lies in a picture made by renderPlanes for this view.
void planeOrigin(const WorldView& view, int p, int& left, int& top);

#endif
