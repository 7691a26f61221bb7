// A tiny built-in 5x7 pixel font for labelling pictures without any font files.
#ifndef POSALIGN_HOST_PICTURES_BITMAP_FONT_H
#define POSALIGN_HOST_PICTURES_BITMAP_FONT_H

#include <string>

#include "host/pictures/rgb_image.h"

// Pixel height of one line of text at the given scale (glyphs are 7 pixels high, scaled).
int textHeight(int scale);

// Pixel width of text at the given scale (each glyph takes 6 pixels including its gap, scaled).
int textWidth(const std::string& text, int scale);

// Draws text with its top-left corner at (x, y). Lower-case letters are drawn as capitals; characters the
// font lacks are drawn as '?'. Pixels outside the picture are skipped.
void drawText(RgbImage& image, int x, int y, const std::string& text, Rgb colour, int scale);

#endif
