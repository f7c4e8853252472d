// The program's icon: a spot light's cone with stained-glass colours falling on the floor, on a
// dark rounded tile. Drawn afresh at each size (not scaled), with a transparent surround.
#pragma once

#include <cstdint>
#include <vector>

#include "Canvas.h"

// size x size pixels, 8-bit RGBA with straight alpha, top row first.
std::vector<uint8_t> PaintIcon(int size);
