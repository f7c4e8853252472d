// PNG pictures of tightly packed 8-bit rows, top row first, through libpng's simplified API:
// RGB (3 channels) for corvane-snapshot and the picture tests, RGBA (4, straight alpha) for
// the icons.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The PNG bytes of the picture; empty when PIXELS holds too few or encoding fails.
std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& pixels,
                               int channels = 3);
// Writes PATH directly (the tests' pictures); false on failure.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& pixels,
              int channels = 3);
// False when the file is missing or not a PNG; any PNG is converted to 8-bit RGB.
bool ReadPng(const std::string& path, int* width, int* height, std::vector<uint8_t>* rgb);
