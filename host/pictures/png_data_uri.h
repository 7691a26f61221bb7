// Pictures carried inside an HTML file: PNG bytes in memory and their data: URI.
#ifndef POSALIGN_HOST_PICTURES_PNG_DATA_URI_H
#define POSALIGN_HOST_PICTURES_PNG_DATA_URI_H

#include <cstdint>
#include <string>
#include <vector>

#include "host/pictures/png_encoding.h"

// Standard base64 (RFC 4648) with padding.
std::string base64(const std::vector<uint8_t>& bytes);

// "data:image/png;base64,..." for the picture; empty when it cannot be encoded.
std::string pngDataUri(const RgbImage& image);

#endif
