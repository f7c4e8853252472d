// Value noise: hashed lattice values blended with a quintic curve (continuous slope).
#include "Noise.h"

#include <cmath>

namespace {

int32_t Wrap(int32_t value, int period)
{
    const int32_t r = value % period;
    return r < 0 ? r + period : r;
}

float Fade(float t)
{
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

}  // namespace

float Hash01(int32_t x, int32_t y, uint32_t seed)
{
    uint32_t h = seed * 0x9E3779B9u ^ uint32_t(x) * 0x85EBCA6Bu ^ uint32_t(y) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return float(h >> 8) / 16777216.0f;
}

float ValueNoise(float x, float y, int periodX, int periodY, uint32_t seed)
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int32_t x0 = Wrap(int32_t(fx), periodX);
    const int32_t y0 = Wrap(int32_t(fy), periodY);
    const int32_t x1 = Wrap(x0 + 1, periodX);
    const int32_t y1 = Wrap(y0 + 1, periodY);
    const float tx = Fade(x - fx);
    const float ty = Fade(y - fy);
    const float top = Hash01(x0, y0, seed) + (Hash01(x1, y0, seed) - Hash01(x0, y0, seed)) * tx;
    const float bottom =
        Hash01(x0, y1, seed) + (Hash01(x1, y1, seed) - Hash01(x0, y1, seed)) * tx;
    return top + (bottom - top) * ty;
}

float FractalNoise(float x, float y, int periodX, int periodY, int octaves, uint32_t seed)
{
    float sum = 0.0f;
    float amplitude = 1.0f;
    float total = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * ValueNoise(x, y, periodX, periodY, seed + uint32_t(i) * 101u);
        total += amplitude;
        amplitude *= 0.5f;
        x *= 2.0f;
        y *= 2.0f;
        periodX *= 2;
        periodY *= 2;
    }
    return sum / total;
}
