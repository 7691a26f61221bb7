// RGB pictures and their PNG encoding through libpng.
#include "host/pictures/rgb_image.h"

#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include "host/nifti/new_file.h"

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
    std::string problem; // the first reason a write failed
};

// libpng's errors come here instead of its default printing, so the reason is reported once, by the host.
void keepPngError(png_structp png, png_const_charp message) {
    PngWriteState* state = static_cast<PngWriteState*>(png_get_error_ptr(png));
    if (state->problem.empty()) {
        state->problem = message;
    }
    png_longjmp(png, 1);
}

void ignorePngWarning(png_structp, png_const_charp) {}

// Writes through stdio and keeps the system's reason when the bytes are not accepted.
void writePngBytes(png_structp png, png_bytep data, png_size_t length) {
    PngWriteState* state = static_cast<PngWriteState*>(png_get_io_ptr(png));
    if (fwrite(data, 1, length, state->file) != length) {
        state->problem = strerror(errno);
        png_error(png, "write failed");
    }
}

void flushPngBytes(png_structp) {}

bool encode(PngWriteState& state, const RgbImage& image) {
    if (setjmp(png_jmpbuf(state.png))) {
        return false;
    }
    png_set_write_fn(state.png, &state, writePngBytes, flushPngBytes);
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
    int descriptor = createNewFile(path);
    state.file = descriptor >= 0 ? fdopen(descriptor, "wb") : nullptr;
    if (state.file == nullptr) {
        std::string reason = strerror(errno);
        if (descriptor >= 0) {
            close(descriptor);
        }
        return "cannot be created: " + reason;
    }
    state.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, keepPngError, ignorePngWarning);
    state.info = state.png != nullptr ? png_create_info_struct(state.png) : nullptr;
    bool ok = state.info != nullptr && encode(state, image);
    png_destroy_write_struct(&state.png, &state.info);
    if (ok && fflush(state.file) != 0) {
        ok = false;
        state.problem = strerror(errno);
    }
    if (fclose(state.file) != 0 && ok) {
        ok = false;
        state.problem = strerror(errno);
    }
    if (ok) {
        return "";
    }
    return "could not be written as PNG" + (state.problem.empty() ? "" : ": " + state.problem);
}
