// PNG files of tightly packed 8-bit RGB rows, top row first: written by corvane-snapshot,
// read and written by the picture tests' golden images. RGBA (straight alpha) for the icons.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes the picture to a temporary file beside `path` and renames it over `path` when it is
// complete; a link at `path` is written through. On failure nothing at `path` changes, no
// temporary file stays, and *error (when given) says why.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
              std::string* error = nullptr);
// False when the file is missing or not a PNG; any PNG is converted to 8-bit RGB.
bool ReadPng(const std::string& path, int* width, int* height, std::vector<uint8_t>* rgb);

// Straight (not premultiplied) alpha, tightly packed rows, top row first.
bool WritePngRgba(const std::string& path, int width, int height,
                  const std::vector<uint8_t>& rgba);
// The same as PNG bytes in memory; empty on failure.
std::vector<uint8_t> EncodePngRgba(int width, int height, const std::vector<uint8_t>& rgba);
