// Deterministic, periodic value noise for the generated pictures. Periodic in both axes so
// that pictures repeated across a surface show no seams; the same seed always gives the same
// values on every machine (integer hashing, no library random numbers).
#pragma once

#include <algorithm>
#include <cstdint>

// A hash of three integers to 0..1.
float Hash01(int32_t x, int32_t y, uint32_t seed);

// Smooth value noise in 0..1 at (x, y) in lattice units, repeating every periodX by periodY
// lattice cells (periods >= 1).
float ValueNoise(float x, float y, int periodX, int periodY, uint32_t seed);

// Sum of `octaves` noise layers, each of twice the frequency (and period) and half the
// amplitude of the one before, normalised to 0..1.
float FractalNoise(float x, float y, int periodX, int periodY, int octaves, uint32_t seed);

// 0 up to EDGE0, 1 from EDGE1, rising between on a smooth curve (flat at both ends).
inline float SmoothStep(float edge0, float edge1, float x)
{
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}
