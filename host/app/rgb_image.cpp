// RGB pictures and their PNG encoding through libpng.
#include "host/app/rgb_image.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

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

namespace {

// libpng reports errors by longjmp; everything touched after setjmp lives in this record.
struct PngWriteState {
    FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
};

bool encode(PngWriteState& state, const RgbImage& image) {
    if (setjmp(png_jmpbuf(state.png))) {
        return false;
    }
    png_init_io(state.png, state.file);
    png_set_IHDR(state.png, state.info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(state.png, state.info);
    for (int y = 0; y < image.height; ++y) {
        png_write_row(state.png, &image.pixels[static_cast<size_t>(y) * image.width * 3]);
    }
    png_write_end(state.png, nullptr);
    return true;
}

} // namespace

std::string writePng(const std::string& path, const RgbImage& image) {
    if (image.width <= 0 || image.height <= 0) {
        return "has an empty picture";
    }
    PngWriteState state;
    state.file = fopen(path.c_str(), "wb");
    if (state.file == nullptr) {
        return "cannot be created";
    }
    state.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    state.info = state.png != nullptr ? png_create_info_struct(state.png) : nullptr;
    bool ok = state.info != nullptr && encode(state, image);
    png_destroy_write_struct(&state.png, &state.info);
    ok = fflush(state.file) == 0 && ok;
    ok = fclose(state.file) == 0 && ok;
    return ok ? "" : "could not be written as PNG";
}
