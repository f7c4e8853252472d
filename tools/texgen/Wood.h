// Wood grain: growth rings running along one axis, bent by noise, with a sharp dark late-wood
// band at the end of each ring and fine fibre streaks. Used for the shape's wood picture and,
// strip by strip, for the parquet floor.
#pragma once

#include <cstdint>

#include "Canvas.h"

struct WoodStyle {
    Color light;      // early wood
    Color dark;       // late wood band
    int rings;        // rings across one period of u (integer, so the grain repeats)
    float warp;       // how far noise bends the rings, in rings
};

// The grain colour at (u, v), where u runs across the grain and v along it; both repeat with
// period 1, so a picture painted over 0..1 tiles without seams.
Color WoodGrain(float u, float v, const WoodStyle& style, uint32_t seed);

// Fills the canvas with one continuous piece of wood, grain running top to bottom.
void PaintWood(Canvas& canvas);
