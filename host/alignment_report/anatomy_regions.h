// The anatomy's main regions, found once per subject in 3-D so that the report can draw their boundaries
// (brain outline, ventricles, grey/white boundary) instead of every gyral ridge: a misplaced run shows at a
// glance against a few long, closed lines.
//
// Works on any contrast: the head is what lies above an Otsu threshold; the brain is the largest piece left
// once thin bridges (through the skull, along the optic nerves) are eroded away, grown back and its holes
// filled (in a T2, with the bright fluid around it); the white matter is what fills the deep brain, the
// grey the most common value on the other side of the brain's mean, and fluid lies beyond the grey, away
// from the white (dark in a T1, bright in a T2).
#ifndef POSALIGN_HOST_ALIGNMENT_REPORT_ANATOMY_REGIONS_H
#define POSALIGN_HOST_ALIGNMENT_REPORT_ANATOMY_REGIONS_H

#include <cstdint>
#include <vector>

#include "host/alignment_report/world_plane.h"

// Masks (1 inside, 0 outside) on a grid of about 2 mm over the anatomical.
struct AnatomyRegions {
    ScalarGrid brain;       // the brain with its ventricles, holes filled (in a T2 the fluid around it too)
    ScalarGrid ventricles;  // fluid deep in the brain (more than 14 mm inside), in pieces of 1 ml or more
    ScalarGrid whiteMatter; // the white-matter class in the brain, in pieces of 1 ml or more
    bool found = false;     // false: no brain told apart (too small, flat or featureless a volume)
};

// The regions of an anatomical volume.
AnatomyRegions findAnatomyRegions(const ScalarGrid& anatomical);

// What a pixel of a plane's outline marks; where boundaries meet, the ventricles' is drawn, then the brain's.
enum OutlineKind : uint8_t {
    kNoOutline = 0,
    kBrainOutline = 1,
    kGreyWhiteOutline = 2,
    kVentricleOutline = 3
};

// The regions' boundaries on one plane of the view: one OutlineKind per pixel, row by row from the top.
std::vector<uint8_t> regionOutlines(const AnatomyRegions& regions, const WorldView& view, PlaneKind kind);

#endif
