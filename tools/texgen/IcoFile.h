// A Windows icon file (.ico) holding the same picture at several sizes, for windres. Sizes
// below 256 are stored as 32-bit bitmaps (any Windows reads them), 256 as PNG (as Windows
// stores its large icons).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct IcoImage {
    int size;                   // pixels, square, 1..256
    std::vector<uint8_t> rgba;  // straight alpha, top row first
};

// False when the file cannot be written or a picture cannot be encoded.
bool WriteIco(const std::string& path, const std::vector<IcoImage>& images);
