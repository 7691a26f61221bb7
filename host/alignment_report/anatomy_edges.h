// The edges of the anatomy in one plane, drawn over another image to judge their alignment.
#ifndef POSALIGN_HOST_ALIGNMENT_REPORT_ANATOMY_EDGES_H
#define POSALIGN_HOST_ALIGNMENT_REPORT_ANATOMY_EDGES_H

#include <cstdint>
#include <vector>

#include "host/alignment_report/world_plane.h"

// One byte per pixel of the plane: 1 on an edge, 0 elsewhere. Edges are the ridges (local maxima across
// the edge) of the gradient magnitude of the lightly smoothed plane, where that magnitude reaches a fifth
// of its 99th percentile; pixels outside the volume count as background.
std::vector<uint8_t> anatomyEdges(const PlanePicture& anatomy);

#endif
