// Drawing the world planes of a view with letters and edges.
#include "host/alignment_report/plane_pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "host/pictures/bitmap_font.h"
#include "host/alignment_report/anatomy_edges.h"

namespace {

const int kMargin = 18;    // around each plane: room for its orientation letters
const int kTitleBand = 26; // above the planes
const int kLabelBand = 16; // under the planes
const int kGap = 14;       // between the letters of neighbouring planes
const Rgb kBackground{24, 24, 32};
const Rgb kOutside{16, 24, 64};
const Rgb kText{235, 235, 235};
const Rgb kLetter{255, 220, 90};

int tallestPlane(const WorldView& view) {
    int tallest = 0;
    for (PlaneKind kind : kAllPlanes) {
        int w, h;
        planeSize(view, kind, w, h);
        tallest = std::max(tallest, h);
    }
    return tallest;
}

// "AXIAL Z = 12.0 MM": the plane and its world position.
std::string planeLabel(const WorldView& view, PlaneKind kind) {
    static const char* const kAxis = "ZYX";
    int fixed = kind == PlaneKind::kAxial ? 2 : kind == PlaneKind::kCoronal ? 1 : 0;
    char text[64];
    snprintf(text, sizeof text, "%s %c = %.1f MM", planeKindName(kind), kAxis[static_cast<int>(kind)],
             view.centre[fixed]);
    return text;
}

} // namespace

PlaneTriple samplePlanes(const ScalarGrid& volume, const Matrix4d& voxelToWorld, const WorldView& view) {
    PlaneTriple planes;
    for (int p = 0; p < 3; ++p) {
        planes[p] = samplePlane(volume, voxelToWorld, view, kAllPlanes[p]);
    }
    return planes;
}

EdgeTriple planeEdges(const PlaneTriple& anatomy) {
    EdgeTriple edges;
    for (int p = 0; p < 3; ++p) {
        edges[p] = anatomyEdges(anatomy[p]);
    }
    return edges;
}

GreyRange displayRange(const ScalarGrid& volume) {
    std::vector<float> finite;
    size_t step = std::max<size_t>(1, volume.values.size() / 200000);
    for (size_t i = 0; i < volume.values.size(); i += step) {
        if (std::isfinite(volume.values[i])) {
            finite.push_back(volume.values[i]);
        }
    }
    GreyRange range;
    if (finite.empty()) {
        return range;
    }
    std::sort(finite.begin(), finite.end());
    auto quantile = [](const std::vector<float>& v, double q) {
        return v[static_cast<size_t>(q * (v.size() - 1))];
    };
    float background = quantile(finite, 0.05);
    std::vector<float> foreground;
    for (float s : finite) {
        if (s > background) {
            foreground.push_back(s);
        }
    }
    if (foreground.empty()) {
        foreground = finite;
    }
    range.low = quantile(foreground, 0.01);
    range.high = quantile(foreground, 0.99);
    if (!(range.high > range.low)) {
        range.high = range.low + 1;
    }
    return range;
}

Rgb edgeColour(uint8_t kind) {
    static const Rgb kColours[3] = {kEdgeColour, Rgb{235, 220, 40}, Rgb{40, 210, 255}};
    return kColours[std::clamp<int>(kind, 1, 3) - 1];
}

void planeOrigin(const WorldView& view, int p, int& left, int& top) {
    int tallest = tallestPlane(view);
    left = kMargin;
    for (int q = 0; q < p; ++q) {
        int w, h;
        planeSize(view, kAllPlanes[q], w, h);
        left += w + 2 * kMargin + kGap;
    }
    int w, h;
    planeSize(view, kAllPlanes[p], w, h);
    top = kTitleBand + kMargin + (tallest - h) / 2;
}

RgbImage renderPlanes(const WorldView& view, const PlaneTriple& planes, GreyRange range,
                      const EdgeTriple* edges, const std::string& title) {
    int tallest = tallestPlane(view);
    int width = 0;
    for (PlaneKind kind : kAllPlanes) {
        int w, h;
        planeSize(view, kind, w, h);
        width += w + 2 * kMargin + kGap;
    }
    width -= kGap;
    int height = kTitleBand + 2 * kMargin + tallest + kLabelBand;
    RgbImage image = makeRgbImage(width, height, kBackground);
    drawText(image, kMargin, 6, title, kText, 2);
    float scale = 255.0f / (range.high - range.low);
    for (int p = 0; p < 3; ++p) {
        const PlanePicture& plane = planes[p];
        int left, top;
        planeOrigin(view, p, left, top);
        for (int y = 0; y < plane.height; ++y) {
            for (int x = 0; x < plane.width; ++x) {
                size_t i = static_cast<size_t>(y) * plane.width + x;
                float v = plane.values[i];
                Rgb colour = kOutside;
                if (edges != nullptr && (*edges)[p][i] != 0) {
                    colour = edgeColour((*edges)[p][i]);
                } else if (std::isfinite(v)) {
                    auto grey = static_cast<uint8_t>(std::clamp((v - range.low) * scale, 0.0f, 255.0f));
                    colour = Rgb{grey, grey, grey};
                }
                setPixel(image, left + x, top + y, colour);
            }
        }
        const char* letters[4];
        planeLetters(kAllPlanes[p], letters);
        int letterW = textWidth("L", 2), letterH = textHeight(2);
        int midY = top + plane.height / 2 - letterH / 2, midX = left + plane.width / 2 - letterW / 2;
        drawText(image, left - kMargin + (kMargin - letterW) / 2, midY, letters[0], kLetter, 2);
        drawText(image, left + plane.width + (kMargin - letterW) / 2, midY, letters[1], kLetter, 2);
        drawText(image, midX, top - letterH - 2, letters[2], kLetter, 2);
        drawText(image, midX, top + plane.height + 2, letters[3], kLetter, 2);
        drawText(image, left, kTitleBand + 2 * kMargin + tallest + 2, planeLabel(view, kAllPlanes[p]), kText,
                 1);
    }
    return image;
}
