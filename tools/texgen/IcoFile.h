// A Windows icon file (.ico) holding the same picture at several sizes, for windres. Sizes
// below 256 are stored as 32-bit bitmaps (any Windows reads them), 256 as PNG (as Windows
// stores its large icons).
#pragma once

#include <cstdint>
#include <vector>

struct IcoImage {
    int size;                   // pixels, square, 1..256
    std::vector<uint8_t> rgba;  // straight alpha, top row first
};

// The whole file; empty when a picture cannot be encoded.
std::vector<uint8_t> IcoFile(const std::vector<IcoImage>& images);
