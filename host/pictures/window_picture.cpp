// Rendering of the three orthogonal planes of a VMR with its painted voxels.
#include "host/pictures/window_picture.h"

#include <algorithm>
#include <cmath>

#include "host/pictures/bitmap_font.h"

namespace {

const int kPanelSpan = 300; // pixels given to the largest physical extent
const int kMargin = 12;
const int kTitleBand = 44;
const int kLabelBand = 22;
const int kLegendBand = 20;
const Rgb kBackground{24, 24, 32};
const Rgb kText{235, 235, 235};
const Rgb kCoverage{60, 220, 90};
const Rgb kTick{90, 180, 255};

// One plane: which volume axes run across (u) and up (v), and the fixed index of the third.
struct PlaneSpec {
    int uAxis, vAxis, fixedAxis;
    const char* name;
};

const PlaneSpec kPlanes[3] = {{0, 1, 2, "X-Y PLANE"}, {0, 2, 1, "X-Z PLANE"}, {1, 2, 0, "Y-Z PLANE"}};

int axisSize(const WindowView& v, int axis) {
    return axis == 0 ? v.nx : axis == 1 ? v.ny : v.nz;
}

float axisVoxelSize(const WindowView& v, int axis) {
    float size = axis == 0 ? v.voxelSizeX : axis == 1 ? v.voxelSizeY : v.voxelSizeZ;
    return std::isfinite(size) && size > 0 ? size : 1.0f;
}

int planeIndex(const WindowView& v, int axis) {
    int index = axis == 0 ? v.planeX : axis == 1 ? v.planeY : v.planeZ;
    return std::clamp(index, 0, axisSize(v, axis) - 1);
}

size_t voxelOffset(const WindowView& v, const int index[3]) {
    return static_cast<size_t>(index[0]) +
           static_cast<size_t>(v.nx) * (static_cast<size_t>(index[1]) + static_cast<size_t>(v.ny) * index[2]);
}

// Painted colour over the anatomy beneath, so that both edges stay visible.
Rgb blend(Rgb anatomy, Rgb painted) {
    auto mix = [](uint8_t a, uint8_t p) { return static_cast<uint8_t>((2 * a + 3 * p) / 5); };
    return Rgb{mix(anatomy.r, painted.r), mix(anatomy.g, painted.g), mix(anatomy.b, painted.b)};
}

void drawRectangle(RgbImage& image, int x0, int y0, int x1, int y1, Rgb colour) {
    for (int x = x0; x <= x1; ++x) {
        if ((x - x0) % 6 < 4) {
            setPixel(image, x, y0, colour);
            setPixel(image, x, y1, colour);
        }
    }
    for (int y = y0; y <= y1; ++y) {
        if ((y - y0) % 6 < 4) {
            setPixel(image, x0, y, colour);
            setPixel(image, x1, y, colour);
        }
    }
}

// Draws one plane with its top-left corner at (left, top); pixel sizes from the physical extent.
void drawPlane(RgbImage& image, const WindowView& v, const PlaneSpec& plane, int left, int top, int width,
               int height) {
    int nu = axisSize(v, plane.uAxis), nv = axisSize(v, plane.vAxis);
    int index[3];
    index[plane.fixedAxis] = planeIndex(v, plane.fixedAxis);
    for (int py = 0; py < height; ++py) {
        int vi = std::min(nv - 1, static_cast<int>((height - 1 - py) * static_cast<long>(nv) / height));
        for (int px = 0; px < width; ++px) {
            int ui = std::min(nu - 1, static_cast<int>(px * static_cast<long>(nu) / width));
            index[plane.uAxis] = ui;
            index[plane.vAxis] = vi;
            size_t at = voxelOffset(v, index);
            uint8_t now = v.current[at];
            bool painted = v.painted != nullptr ? v.painted[at] != 0 : now != v.original[at];
            Rgb colour = painted ? blend(anatomyGrey(v.original[at]), paintedColour(now)) : anatomyGrey(now);
            setPixel(image, left + px, top + py, colour);
        }
    }
    // Ticks on the edges where the other two planes cross this one.
    int uCross = planeIndex(v, plane.uAxis), vCross = planeIndex(v, plane.vAxis);
    int tickX = left + static_cast<int>((uCross + 0.5) * width / nu);
    int tickY = top + height - 1 - static_cast<int>((vCross + 0.5) * height / nv);
    for (int d = 1; d <= 6; ++d) {
        setPixel(image, tickX, top - d, kTick);
        setPixel(image, tickX, top + height - 1 + d, kTick);
        setPixel(image, left - d, tickY, kTick);
        setPixel(image, left + width - 1 + d, tickY, kTick);
    }
    if (v.hasCoverage) {
        double u0 = v.coverageMin[plane.uAxis], u1 = v.coverageMax[plane.uAxis];
        double v0 = v.coverageMin[plane.vAxis], v1 = v.coverageMax[plane.vAxis];
        int x0 = left + static_cast<int>(std::floor((u0 + 0.5) * width / nu));
        int x1 = left + static_cast<int>(std::floor((u1 + 0.5) * width / nu));
        int y1 = top + height - 1 - static_cast<int>(std::floor((v0 + 0.5) * height / nv));
        int y0 = top + height - 1 - static_cast<int>(std::floor((v1 + 0.5) * height / nv));
        double fixed = planeIndex(v, plane.fixedAxis);
        bool crosses =
            fixed >= v.coverageMin[plane.fixedAxis] - 0.5 && fixed <= v.coverageMax[plane.fixedAxis] + 0.5;
        if (crosses) {
            drawRectangle(image, std::max(x0, left - 1), std::max(y0, top - 1), std::min(x1, left + width),
                          std::min(y1, top + height), kCoverage);
        }
    }
}

// "X-Y PLANE (AXIAL), Z = 40": the plane, its anatomical name when known, and where it lies.
std::string planeLabel(const WindowView& v, int p) {
    static const char* const kAxisNames[3] = {"X", "Y", "Z"};
    const char* orientation = v.planeOrientation[p] != nullptr ? v.planeOrientation[p] : "";
    std::string label = kPlanes[p].name;
    if (orientation[0] != '\0') {
        label += std::string(" (") + orientation + ")";
    }
    return label + ", " + kAxisNames[kPlanes[p].fixedAxis] + " = " +
           std::to_string(planeIndex(v, kPlanes[p].fixedAxis));
}

} // namespace

Rgb paintedColour(uint8_t value) {
    // Dark red for low values through red and orange to pale yellow for the highest.
    float t = std::min(1.0f, value / 225.0f);
    auto channel = [](float x) { return static_cast<uint8_t>(std::clamp(x, 0.0f, 255.0f)); };
    return Rgb{channel(90 + t * 330), channel((t - 0.3f) * 365), channel((t - 0.85f) * 1200)};
}

Rgb anatomyGrey(uint8_t value) {
    uint8_t grey = value >= 225 ? 255 : static_cast<uint8_t>(value * 255 / 225);
    return Rgb{grey, grey, grey};
}

RgbImage renderWindow(const WindowView& v) {
    float extent[3];
    for (int axis = 0; axis < 3; ++axis) {
        extent[axis] = axisSize(v, axis) * axisVoxelSize(v, axis);
    }
    float largest = std::max({extent[0], extent[1], extent[2]});
    float pixelsPerMm = kPanelSpan / largest;
    int widths[3], heights[3];
    int totalWidth = kMargin, tallest = 0;
    for (int p = 0; p < 3; ++p) {
        widths[p] = std::max(1, static_cast<int>(std::lround(extent[kPlanes[p].uAxis] * pixelsPerMm)));
        heights[p] = std::max(1, static_cast<int>(std::lround(extent[kPlanes[p].vAxis] * pixelsPerMm)));
        widths[p] = std::max(widths[p], textWidth(planeLabel(v, p), 1));
        totalWidth += widths[p] + kMargin;
        tallest = std::max(tallest, heights[p]);
    }
    int totalHeight = kTitleBand + tallest + kLabelBand + kLegendBand + kMargin;
    RgbImage image = makeRgbImage(totalWidth, totalHeight, kBackground);

    char title[64];
    snprintf(title, sizeof title, "WINDOW %02d", v.windowNumber);
    drawText(image, kMargin, 8, title, kText, 2);
    drawText(image, kMargin, 8 + textHeight(2) + 5, v.caption, kText, 1);

    int left = kMargin;
    for (int p = 0; p < 3; ++p) {
        int top = kTitleBand + (tallest - heights[p]);
        drawPlane(image, v, kPlanes[p], left, top, widths[p], heights[p]);
        std::string label = planeLabel(v, p);
        drawText(image, left, kTitleBand + tallest + 8, label, kText, 1);
        left += widths[p] + kMargin;
    }
    int legendTop = kTitleBand + tallest + kLabelBand + 4;
    int x = kMargin;
    if (v.showsPaintLegend) {
        for (int i = 0; i < 10; ++i) {
            Rgb c = paintedColour(static_cast<uint8_t>(21 + i * 22));
            for (int dy = 0; dy < 7; ++dy) {
                setPixel(image, x + i, legendTop + dy, c);
            }
        }
        drawText(image, x + 14, legendTop, "PAINTED BY THE PLUG-IN", kText, 1);
        x += 14 + textWidth("PAINTED BY THE PLUG-IN", 1) + 16;
    }
    drawRectangle(image, x, legendTop, x + 10, legendTop + 6, kCoverage);
    drawText(image, x + 14, legendTop, "FUNCTIONAL COVERAGE", kText, 1);
    return image;
}
