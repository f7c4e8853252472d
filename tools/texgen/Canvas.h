// Canvas: a picture being generated, as floating-point red, green, blue in 0..1, row 0 at the
// top. WriteBmp stores it as a 24-bit uncompressed BMP (bottom row first, no row padding since
// the generated widths are multiples of 4).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct Color {
    float r, g, b;  // 0..1; values outside are clamped when written
};

Color Mix(const Color& a, const Color& b, float t);  // t in 0..1: a at 0, b at 1
Color Scale(const Color& c, float factor);

class Canvas {
public:
    Canvas(int width, int height);

    int Width() const { return width; }
    int Height() const { return height; }
    void Set(int x, int y, const Color& color) { pixels[size_t(y) * width + x] = color; }
    const Color& Get(int x, int y) const { return pixels[size_t(y) * width + x]; }

    // False when the file cannot be written.
    bool WriteBmp(const std::string& path) const;

private:
    int width;   // pixels, a multiple of 4
    int height;  // pixels
    std::vector<Color> pixels;
};
