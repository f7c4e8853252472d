// The canvas and its BMP writer: a 14-byte file header, a 40-byte information header, then
// the rows bottom-up in blue, green, red order; the image-size field is width x height x 3.
#include "Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "tools/texgen/LittleEndian.h"

namespace {

uint8_t ToByte(float value)
{
    return uint8_t(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

}  // namespace

Color Mix(const Color& a, const Color& b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Color Scale(const Color& c, float factor)
{
    return {c.r * factor, c.g * factor, c.b * factor};
}

Canvas::Canvas(int width, int height)
    : width(width), height(height), pixels(size_t(width) * height, Color{0, 0, 0})
{
}

bool Canvas::WriteBmp(const std::string& path) const
{
    const uint32_t imageSize = uint32_t(width) * uint32_t(height) * 3;
    const uint32_t dataOffset = 14 + 40;
    std::vector<uint8_t> bytes;
    bytes.reserve(dataOffset + imageSize);
    bytes.push_back('B');
    bytes.push_back('M');
    PutLittle32(bytes, dataOffset + imageSize);  // file size
    PutLittle32(bytes, 0);                       // two reserved 16-bit fields
    PutLittle32(bytes, dataOffset);
    PutLittle32(bytes, 40);  // information header size
    PutLittle32(bytes, uint32_t(width));
    PutLittle32(bytes, uint32_t(height));  // positive: bottom-up
    PutLittle16(bytes, 1);                 // planes
    PutLittle16(bytes, 24);                // bits per pixel
    PutLittle32(bytes, 0);                 // no compression
    PutLittle32(bytes, imageSize);
    PutLittle32(bytes, 2835);  // 72 dots per inch, in pixels per metre
    PutLittle32(bytes, 2835);
    PutLittle32(bytes, 0);  // palette colours
    PutLittle32(bytes, 0);  // important colours
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const Color& c = Get(x, y);
            bytes.push_back(ToByte(c.b));
            bytes.push_back(ToByte(c.g));
            bytes.push_back(ToByte(c.r));
        }
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
