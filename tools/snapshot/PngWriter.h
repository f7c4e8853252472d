// Writes tightly packed 8-bit RGB rows (top row first) as a PNG file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);
