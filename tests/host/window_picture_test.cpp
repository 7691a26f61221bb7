// Window pictures of the stand-in host: the font, the planes and their colours, and the PNG file.
#include <gtest/gtest.h>
#include <unistd.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "host/pictures/bitmap_font.h"
#include "host/pictures/plane_orientation.h"
#include "host/pictures/rgb_image.h"
#include "host/pictures/window_picture.h"
#include "tests/host/app_test_support.h"

namespace {

// The colour of one pixel inside the picture.
Rgb pixelAt(const RgbImage& image, int x, int y) {
    const uint8_t* p = &image.pixels[(static_cast<size_t>(y) * image.width + x) * 3];
    return Rgb{p[0], p[1], p[2]};
}

const Rgb kBlack{0, 0, 0};
const Rgb kWhite{255, 255, 255};

bool sameColour(Rgb a, Rgb b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

int countColour(const RgbImage& image, Rgb colour) {
    int count = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            count += sameColour(pixelAt(image, x, y), colour) ? 1 : 0;
        }
    }
    return count;
}

TEST(BitmapFont, DrawsGlyphsScaledAndClipped) {
    RgbImage image = makeRgbImage(40, 20, kBlack);
    drawText(image, 0, 0, "1", kWhite, 1);
    // The digit one: 0x04 0x0C 0x04 0x04 0x04 0x04 0x0E, 10 lit pixels, stem in column 2.
    EXPECT_EQ(countColour(image, kWhite), 10);
    EXPECT_TRUE(sameColour(pixelAt(image, 2, 0), kWhite));
    EXPECT_TRUE(sameColour(pixelAt(image, 1, 1), kWhite));
    EXPECT_TRUE(sameColour(pixelAt(image, 0, 0), kBlack));

    RgbImage scaled = makeRgbImage(40, 20, kBlack);
    drawText(scaled, 0, 0, "1", kWhite, 2);
    EXPECT_EQ(countColour(scaled, kWhite), 40);

    // Lower case is drawn as capitals; an unknown character as '?'; pixels outside are skipped.
    RgbImage lower = makeRgbImage(40, 20, kBlack), upper = makeRgbImage(40, 20, kBlack);
    drawText(lower, 0, 0, "ab", kWhite, 1);
    drawText(upper, 0, 0, "AB", kWhite, 1);
    EXPECT_EQ(lower.pixels, upper.pixels);
    RgbImage unknown = makeRgbImage(40, 20, kBlack), question = makeRgbImage(40, 20, kBlack);
    drawText(unknown, 0, 0, "~", kWhite, 1);
    drawText(question, 0, 0, "?", kWhite, 1);
    EXPECT_EQ(unknown.pixels, question.pixels);
    RgbImage clipped = makeRgbImage(4, 4, kBlack);
    drawText(clipped, -3, -3, "888", kWhite, 1);
    EXPECT_EQ(textWidth("888", 1), 18);
}

// A 6x5x4 volume with one painted voxel; the x-y plane through it shows the painted colour there.
TEST(WindowPicture, ShowsPaintedVoxelsInColourAndAnatomyInGrey) {
    const int nx = 6, ny = 5, nz = 4;
    std::vector<uint8_t> original(nx * ny * nz, 90), current = original;
    const int px = 4, py = 1, pz = 2;
    current[px + nx * (py + ny * pz)] = 200;
    WindowView view;
    view.nx = nx;
    view.ny = ny;
    view.nz = nz;
    view.current = current.data();
    view.original = original.data();
    view.planeX = px;
    view.planeY = py;
    view.planeZ = pz;
    view.windowNumber = 7;
    view.caption = "test";
    RgbImage picture = renderWindow(view);
    ASSERT_GT(picture.width, 0);

    Rgb grey = anatomyGrey(90);
    EXPECT_EQ(grey.r, 102);
    EXPECT_TRUE(sameColour(anatomyGrey(225), kWhite));
    Rgb painted = paintedColour(200);
    EXPECT_GT(painted.r, painted.b);

    // The painted voxel shows in warm colours (red above blue) in each of the three planes, which all
    // pass through it; the anatomy stays grey. The legend's colour ramp lies below the planes.
    EXPECT_GT(countColour(picture, grey), 0);
    int planesBottom = picture.height - 40;
    auto warmPixelsPerThird = [planesBottom](const RgbImage& image) {
        std::vector<int> counts(3, 0);
        for (int y = 0; y < planesBottom; ++y) {
            for (int x = 0; x < image.width; ++x) {
                Rgb c = pixelAt(image, x, y);
                if (c.r > c.b + 30) {
                    ++counts[std::min(2, 3 * x / image.width)];
                }
            }
        }
        return counts;
    };
    std::vector<int> warm = warmPixelsPerThird(picture);
    EXPECT_GT(warm[0], 0);
    EXPECT_GT(warm[1], 0);
    EXPECT_GT(warm[2], 0);
    Rgb mixed = pixelAt(picture, 0, 0);
    for (int y = 0; y < planesBottom; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            Rgb c = pixelAt(picture, x, y);
            if (c.r > c.b + 30) {
                mixed = c;
            }
        }
    }
    // A mix of the grey beneath and the painted colour: between the two in every channel.
    EXPECT_GT(mixed.r, grey.r);
    EXPECT_LE(mixed.r, painted.r);
    EXPECT_LT(mixed.b, grey.b);

    // Nothing painted: no warm pixel in the planes.
    view.current = original.data();
    std::vector<int> none = warmPixelsPerThird(renderWindow(view));
    EXPECT_EQ(none, (std::vector<int>{0, 0, 0}));
}

TEST(WindowPicture, WritesAReadablePng) {
    ScratchFolder folder;
    RgbImage image = makeRgbImage(7, 3, kBlack);
    setPixel(image, 6, 2, Rgb{10, 20, 30});
    std::string path = folder.file("picture.png");
    ASSERT_EQ(writePng(path, image), "");

    png_image read;
    memset(&read, 0, sizeof read);
    read.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&read, path.c_str()));
    read.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(read));
    ASSERT_TRUE(png_image_finish_read(&read, nullptr, pixels.data(), 0, nullptr));
    EXPECT_EQ(read.width, 7u);
    EXPECT_EQ(read.height, 3u);
    EXPECT_EQ(pixels, image.pixels);

    // Failures carry the system's reason, and libpng prints nothing of its own.
    ASSERT_EQ(symlink(path.c_str(), folder.file("link.png").c_str()), 0);
    RgbImage large = makeRgbImage(600, 400, kBlack);
    for (int i = 0; i < 600 * 400; ++i) {
        setPixel(large, i % 600, i / 600, Rgb{static_cast<uint8_t>(i * 7), static_cast<uint8_t>(i), 9});
    }
    const struct {
        const char* path;
        const RgbImage& image;
        const char* reason;
        long room;
    } failures[] = {{"missing-folder/picture.png", image, "cannot be created: No such file or directory", -1},
                    {"picture.png", image, "cannot be created: File exists", -1},
                    {"link.png", image, "cannot be created: File exists", -1},
                    {"full-small.png", image, "could not be written as PNG: File too large", 0},
                    {"full-large.png", large, "could not be written as PNG: File too large", 0}};
    for (const auto& failure : failures) {
        testing::internal::CaptureStderr();
        std::string error;
        if (failure.room >= 0) {
            FileSizeLimit full(failure.room);
            error = writePng(folder.file(failure.path), failure.image);
        } else {
            error = writePng(folder.file(failure.path), failure.image);
        }
        EXPECT_EQ(error, failure.reason) << failure.path;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
    EXPECT_EQ(readTextFile(path).substr(1, 3), "PNG") << "the picture behind the link is untouched";
}

struct OrientationCase {
    const char* name;
    double affine[16];
    const char* xy;
    const char* xz;
    const char* yz;
};

TEST(PlaneOrientation, NamesPlanesByTheScannerAxisOfTheirNormal) {
    const double c = std::cos(0.3), s = std::sin(0.3); // 17 degrees: still close to the axes
    const OrientationCase cases[] = {
        {"axial", {2, 0, 0, 5, 0, 2, 0, 6, 0, 0, 3, 7, 0, 0, 0, 1}, "AXIAL", "CORONAL", "SAGITTAL"},
        {"reversed axes",
         {-1, 0, 0, 0, 0, -1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1},
         "AXIAL",
         "CORONAL",
         "SAGITTAL"},
        // voxel x along scanner y, voxel y along scanner z, slices along scanner x
        {"sagittal", {0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1}, "SAGITTAL", "AXIAL", "CORONAL"},
        {"tilted", {1, 0, 0, 0, 0, c, -s, 0, 0, s, c, 0, 0, 0, 0, 1}, "AXIAL", "CORONAL", "SAGITTAL"},
        {"oblique",
         {1, 0, 0, 0, 0, 0.7071, -0.7071, 0, 0, 0.7071, 0.7071, 0, 0, 0, 0, 1},
         "OBLIQUE",
         "OBLIQUE",
         "SAGITTAL"},
        // voxel y has no extent; voxel x runs diagonally between scanner x and y
        {"flat", {1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, "", "OBLIQUE", ""},
    };
    for (const OrientationCase& o : cases) {
        EXPECT_STREQ(planeOrientationName(o.affine, 0, 1), o.xy) << o.name;
        EXPECT_STREQ(planeOrientationName(o.affine, 0, 2), o.xz) << o.name;
        EXPECT_STREQ(planeOrientationName(o.affine, 1, 2), o.yz) << o.name;
    }
}

} // namespace
