// The golden frames: each a run of the application at 320 x 240 for a number of idle frames
// with menu commands delivered before the first. Shared by the golden image test and by
// picture_compare, which renders the same runs with two builds of corvane-snapshot.
#pragma once

#include <vector>

#include "app/Resources.h"

struct GoldenCase {
    const char* name;  // also the picture's file name in tests/golden, without ".png"
    int frames;        // idle frames run; the last one is the picture
    std::vector<unsigned> commands;  // menu command ids, delivered before the first frame
};

constexpr int kGoldenWidth = 320;
constexpr int kGoldenHeight = 240;

inline const std::vector<GoldenCase> kGoldenCases = {
    {"torus-first-frame", 1, {}},
    {"torus-after-120-steps", 121, {}},
    {"sphere", 60, {kCommandChangeShape}},
    {"capped-cylinder", 60, {kCommandChangeShape, kCommandChangeShape}},
    {"shadows-off", 60, {kCommandShadow}},
};
