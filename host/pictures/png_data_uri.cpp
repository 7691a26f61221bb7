// Report pictures as data: URIs: PNG bytes in base64.
#include "host/pictures/png_data_uri.h"

std::string base64(const std::vector<uint8_t>& bytes) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = static_cast<uint32_t>(bytes[i]) << 16;
        size_t left = bytes.size() - i;
        if (left > 1) {
            group |= static_cast<uint32_t>(bytes[i + 1]) << 8;
        }
        if (left > 2) {
            group |= bytes[i + 2];
        }
        text += kAlphabet[(group >> 18) & 63];
        text += kAlphabet[(group >> 12) & 63];
        text += left > 1 ? kAlphabet[(group >> 6) & 63] : '=';
        text += left > 2 ? kAlphabet[group & 63] : '=';
    }
    return text;
}

std::string pngDataUri(const RgbImage& image) {
    // Pictures are written once and read rarely: a fast level keeps the report quick to make.
    std::vector<uint8_t> bytes = encodePng(image, 3);
    return bytes.empty() ? std::string() : "data:image/png;base64," + base64(bytes);
}
