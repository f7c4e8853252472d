// The folder corvane-snapshot --passes writes: NN-name.png per pass picture in drawing order
// (01-shadow-marks.png, 02-floor-base.png, ...), passes.txt with each pass's GL state, and
// sheet.png with every picture in a labelled grid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/snapshot/PassRecorder.h"

constexpr int kSheetColumns = 4;
constexpr int kSheetCellWidth = 320;   // pixels; a picture is scaled to fit, keeping its shape
constexpr int kSheetCellHeight = 240;

// "01-shadow-marks", ...: the file name of picture `index` (0-based) without ".png".
std::string PassFileName(size_t index, const PassPicture& picture);

// The labelled grid of every picture, as tightly packed RGB rows, top row first.
std::vector<uint8_t> ContactSheet(const std::vector<PassPicture>& pictures, int* width,
                                  int* height);

// Creates `folder` when it is missing (its parent must exist) and writes the files into it,
// removing pass pictures of an earlier run that this frame did not draw. frame: the 0-based
// idle frame shown, written 1-based in passes.txt (frame 30 of --frames 30). False with a reason in *error on the first failure.
bool WritePassFiles(const std::string& folder, const std::vector<PassPicture>& pictures,
                    int frame, std::string* error);
