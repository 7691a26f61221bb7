// Gradient-magnitude ridges of a plane.
#include "host/alignment_report/anatomy_edges.h"

#include <algorithm>
#include <cmath>

namespace {

const double kRelativeThreshold = 0.2; // of the 99th percentile of the gradient magnitude

// One pass of the [1 2 1]/4 filter along x and along y, borders repeated.
std::vector<float> smooth(const std::vector<float>& in, int w, int h) {
    std::vector<float> across(in.size()), out(in.size());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float* row = &in[static_cast<size_t>(y) * w];
            across[static_cast<size_t>(y) * w + x] =
                0.25f * row[std::max(x - 1, 0)] + 0.5f * row[x] + 0.25f * row[std::min(x + 1, w - 1)];
        }
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            out[static_cast<size_t>(y) * w + x] =
                0.25f * across[static_cast<size_t>(std::max(y - 1, 0)) * w + x] +
                0.5f * across[static_cast<size_t>(y) * w + x] +
                0.25f * across[static_cast<size_t>(std::min(y + 1, h - 1)) * w + x];
        }
    }
    return out;
}

} // namespace

std::vector<uint8_t> anatomyEdges(const PlanePicture& anatomy) {
    int w = anatomy.width, h = anatomy.height;
    std::vector<uint8_t> edges(static_cast<size_t>(w) * h, 0);
    if (w < 3 || h < 3) {
        return edges;
    }
    std::vector<float> values(anatomy.values);
    for (float& v : values) {
        v = std::isfinite(v) ? v : 0.0f;
    }
    values = smooth(smooth(values, w, h), w, h);
    std::vector<float> gx(values.size(), 0), gy(values.size(), 0), magnitude(values.size(), 0);
    auto at = [&values, w](int x, int y) { return values[static_cast<size_t>(y) * w + x]; };
    for (int y = 1; y < h - 1; ++y) {
        for (int x = 1; x < w - 1; ++x) {
            size_t i = static_cast<size_t>(y) * w + x;
            gx[i] = (at(x + 1, y - 1) + 2 * at(x + 1, y) + at(x + 1, y + 1)) -
                    (at(x - 1, y - 1) + 2 * at(x - 1, y) + at(x - 1, y + 1));
            gy[i] = (at(x - 1, y + 1) + 2 * at(x, y + 1) + at(x + 1, y + 1)) -
                    (at(x - 1, y - 1) + 2 * at(x, y - 1) + at(x + 1, y - 1));
            magnitude[i] = std::hypot(gx[i], gy[i]);
        }
    }
    std::vector<float> sorted(magnitude);
    size_t rank = static_cast<size_t>(0.99 * (sorted.size() - 1));
    std::nth_element(sorted.begin(), sorted.begin() + rank, sorted.end());
    float threshold = static_cast<float>(kRelativeThreshold * sorted[rank]);
    if (!(threshold > 0)) {
        return edges;
    }
    for (int y = 1; y < h - 1; ++y) {
        for (int x = 1; x < w - 1; ++x) {
            size_t i = static_cast<size_t>(y) * w + x;
            float m = magnitude[i];
            if (m < threshold) {
                continue;
            }
            // Neighbours across the edge: the gradient direction rounded to one of four.
            double angle = std::atan2(gy[i], gx[i]);
            int sector = static_cast<int>(std::lround(angle / (M_PI / 4))) & 3;
            static const int kStep[4][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}};
            int dx = kStep[sector][0], dy = kStep[sector][1];
            float before = magnitude[static_cast<size_t>(y - dy) * w + (x - dx)];
            float after = magnitude[static_cast<size_t>(y + dy) * w + (x + dx)];
            if (m >= before && m > after) {
                edges[i] = 1;
            }
        }
    }
    return edges;
}
