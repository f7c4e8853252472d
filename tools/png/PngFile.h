// PNG files of tightly packed 8-bit RGB rows, top row first: written by corvane-snapshot,
// read and written by the picture tests' golden images.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);
// False when the file is missing or not a PNG; any PNG is converted to 8-bit RGB.
bool ReadPng(const std::string& path, int* width, int* height, std::vector<uint8_t>* rgb);
