// The one PNG encoder of the host: 8-bit RGB pictures into PNG bytes in memory, through libpng. Window
// pictures are written from these bytes, report pictures carried in data: URIs.
#ifndef POSALIGN_HOST_PICTURES_PNG_ENCODING_H
#define POSALIGN_HOST_PICTURES_PNG_ENCODING_H

#include <cstdint>
#include <vector>

#include "host/pictures/rgb_image.h"

// libpng's own compression level (zlib's default).
const int kPngDefaultCompression = -1;

// The picture as the bytes of an 8-bit RGB PNG file, compressed at zlib level compressionLevel (0..9, or
// kPngDefaultCompression); empty for an empty picture or when libpng fails.
std::vector<uint8_t> encodePng(const RgbImage& image, int compressionLevel);

#endif
