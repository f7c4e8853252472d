// Table-driven square root for squared lengths (zero or positive normal floats).
// The result is the correctly rounded root of x with its 8 lowest mantissa bits cleared:
// relative error below about 1.5e-5, never above the true rounded root.
// InitFastSqrtTable must run once before the first FastSqrt (the Scene does it).
#pragma once

#include <cstdint>
#include <cstring>

// Mantissas of sqrt(2 * (1 + q/32768)) at 0..32767 and of sqrt(1 + q/32768) at 32768..65535.
extern uint32_t g_sqrtTable[65536];

void InitFastSqrtTable();

inline float FastSqrt(float x)
{
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    if (bits == 0)
        return 0.0f;
    // Halve the unbiased exponent (rounding down); the low exponent bit picks the table half.
    const uint32_t exponent = (((bits - 0x3F800000u) >> 1) + 0x3F800000u) & 0x7F800000u;
    const uint32_t result = exponent | g_sqrtTable[(bits >> 8) & 0xFFFFu];
    float root;
    std::memcpy(&root, &result, sizeof root);
    return root;
}
