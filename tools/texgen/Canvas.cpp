// The canvas and its BMP file: a 14-byte file header, a 40-byte information header, then the
// rows bottom-up in blue, green, red order; the image-size field is width x height x 3.
#include "Canvas.h"

#include <cstdint>

#include "tools/texgen/LittleEndian.h"

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

std::vector<uint8_t> Canvas::Bmp() const
{
    const uint32_t imageSize = uint32_t(width) * uint32_t(height) * 3;
    const uint32_t dataOffset = 14 + 40;
    std::vector<uint8_t> bytes = {'B', 'M'};
    bytes.reserve(dataOffset + imageSize);
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
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x) {
            const Color& c = Get(x, y);
            bytes.insert(bytes.end(), {ToByte(c.b), ToByte(c.g), ToByte(c.r)});
        }
    return bytes;
}
