// Canvas: a picture being generated, as floating-point red, green, blue in 0..1, row 0 at the
// top. Bmp() gives it as a 24-bit uncompressed BMP file (bottom row first, no row padding since
// the generated widths are multiples of 4).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

struct Color {
    float r, g, b;  // 0..1; values outside are clamped when written
};

Color Mix(const Color& a, const Color& b, float t);  // t in 0..1: a at 0, b at 1
Color Scale(const Color& c, float factor);
// 0..1 to 0..255, rounded; values outside are clamped.
inline uint8_t ToByte(float value)
{
    return uint8_t(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

class Canvas {
public:
    Canvas(int width, int height);

    int Width() const { return width; }
    int Height() const { return height; }
    void Set(int x, int y, const Color& color) { pixels[size_t(y) * width + x] = color; }
    const Color& Get(int x, int y) const { return pixels[size_t(y) * width + x]; }

    std::vector<uint8_t> Bmp() const;  // the whole file

private:
    int width;   // pixels, a multiple of 4
    int height;  // pixels
    std::vector<Color> pixels;
};
