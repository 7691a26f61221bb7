// A plain RGB picture in memory and its PNG file.
#ifndef POSALIGN_HOST_PICTURES_RGB_IMAGE_H
#define POSALIGN_HOST_PICTURES_RGB_IMAGE_H

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    uint8_t r, g, b;
};

// width x height pixels, row by row from the top, three bytes per pixel.
struct RgbImage {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
};

// A picture of the given size filled with one colour.
RgbImage makeRgbImage(int width, int height, Rgb fill);

// Sets one pixel; pixels outside the picture are ignored.
void setPixel(RgbImage& image, int x, int y, Rgb colour);

// Writes the picture as an 8-bit RGB PNG into a new file (an existing name or a link is refused); empty
// text on success, else the reason.
std::string writePng(const std::string& path, const RgbImage& image);

#endif
