// TinyFont: a 5 x 7 pixel font, with a row below for descenders, of digits, lower-case
// letters, '-', '.', ':', '(', ')' and space: enough to label the pictures corvane-snapshot
// writes. Other characters draw as a box.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int kTextHeight = 8;  // font pixels, descenders included

// Draws `text` into tightly packed RGB rows (top row first) with its top left corner at
// (x, y), each font pixel as SCALE x SCALE; what falls outside the picture is clipped.
void DrawText(std::vector<uint8_t>& rgb, int width, int height, int x, int y,
              const std::string& text, int scale, const uint8_t colour[3]);
