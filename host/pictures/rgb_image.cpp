// RGB pictures and their PNG files.
#include "host/pictures/rgb_image.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "host/nifti/new_file.h"
#include "host/pictures/png_encoding.h"

RgbImage makeRgbImage(int width, int height, Rgb fill) {
    RgbImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < image.pixels.size(); i += 3) {
        image.pixels[i] = fill.r;
        image.pixels[i + 1] = fill.g;
        image.pixels[i + 2] = fill.b;
    }
    return image;
}

void setPixel(RgbImage& image, int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) {
        return;
    }
    uint8_t* p = &image.pixels[(static_cast<size_t>(y) * image.width + x) * 3];
    p[0] = colour.r;
    p[1] = colour.g;
    p[2] = colour.b;
}

std::string writePng(const std::string& path, const RgbImage& image) {
    if (image.width <= 0 || image.height <= 0) {
        return "has an empty picture";
    }
    const std::vector<uint8_t> bytes = encodePng(image, kPngDefaultCompression);
    if (bytes.empty()) {
        return "could not be written as PNG: the picture could not be encoded";
    }
    int descriptor = createNewFile(path);
    if (descriptor < 0) {
        return std::string("cannot be created: ") + strerror(errno);
    }
    std::string problem;
    for (size_t written = 0; written < bytes.size() && problem.empty();) {
        ssize_t step = write(descriptor, bytes.data() + written, bytes.size() - written);
        if (step < 0 && errno != EINTR) {
            problem = strerror(errno);
        } else if (step > 0) {
            written += static_cast<size_t>(step);
        }
    }
    if (close(descriptor) != 0 && problem.empty()) {
        problem = strerror(errno);
    }
    return problem.empty() ? "" : "could not be written as PNG: " + problem;
}
