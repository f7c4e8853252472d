// The contact sheet of corvane-snapshot --passes (sheet.png): every pass picture scaled down
// into a cell of a grid, four cells to a row, each under its label ("01 shadow-marks").
#pragma once

#include <cstdint>
#include <vector>

#include "tools/snapshot/PassRecorder.h"

// The picture scaled to fit a 320 x 240 cell, keeping its shape: each pixel the mean of the
// source pixels whose centres fall in it (or the nearest one when enlarging).
PassPicture Thumbnail(const PassPicture& picture);

// The labelled grid of the thumbnails, in drawing order, as tightly packed RGB rows, top row
// first.
std::vector<uint8_t> ContactSheet(const std::vector<PassPicture>& thumbnails, int* width,
                                  int* height);
