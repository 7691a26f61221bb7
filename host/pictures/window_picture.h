// The stand-in host's "active window": the anatomical volume in three orthogonal planes, with the voxels the
// plug-in painted shown in colour, rendered into a labelled picture.
#ifndef POSALIGN_HOST_PICTURES_WINDOW_PICTURE_H
#define POSALIGN_HOST_PICTURES_WINDOW_PICTURE_H

#include <cstdint>
#include <string>

#include "host/pictures/rgb_image.h"

// What one window shows. Byte volumes are nx*ny*nz, x fastest.
struct WindowView {
    int nx = 0, ny = 0, nz = 0;
    float voxelSizeX = 1, voxelSizeY = 1, voxelSizeZ = 1; // mm; used for the aspect of each plane
    const uint8_t* current = nullptr;                     // the volume as it is now
    const uint8_t* original = nullptr;                    // as it was loaded: a differing byte is painted
    const uint8_t* painted = nullptr; // 1 where the plug-in painted; when given, used instead of the bytes
    bool showsPaintLegend = true;     // false when the run paints nothing into the anatomical (mapping 2)
    int planeX = 0, planeY = 0, planeZ = 0; // voxel indices the three planes pass through
    bool hasCoverage = false;               // draw the box below in each plane
    float coverageMin[3] = {0, 0, 0},
          coverageMax[3] = {0, 0, 0};               // functional coverage, VMR voxel coordinates
    const char* planeOrientation[3] = {"", "", ""}; // anatomical names of the x-y, x-z and y-z planes
    int windowNumber = 0;
    std::string caption; // one line under the title, e.g. the document names
};

// Renders the three planes side by side: x-y at planeZ, x-z at planeY, y-z at planeX, the second axis of each
// pointing up. Grey anatomy; painted voxels red (low) to yellow (high) over the
// anatomy as opened; the coverage as a green outline.
RgbImage renderWindow(const WindowView& view);

// The colour of a painted voxel value (0..255).
Rgb paintedColour(uint8_t value);

// The grey of an anatomical voxel value (0..225 spread over 0..255; reserved values above 225 are white).
Rgb anatomyGrey(uint8_t value);

#endif
