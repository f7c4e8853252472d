// Fills the fast square-root table: 65536 mantissas (256 KiB in static storage).
#include "math/FastSqrt.h"

#include <cmath>

uint32_t g_sqrtTable[65536];

namespace {

uint32_t MantissaOfRoot(uint32_t inputBits)
{
    float input;
    std::memcpy(&input, &inputBits, sizeof input);
    const float root = std::sqrt(input);  // correctly rounded in single precision
    uint32_t rootBits;
    std::memcpy(&rootBits, &root, sizeof rootBits);
    return rootBits & 0x7FFFFFu;
}

}  // namespace

void InitFastSqrtTable()
{
    for (uint32_t q = 0; q < 32768; ++q) {
        g_sqrtTable[32768 + q] = MantissaOfRoot(0x3F800000u | (q << 8));  // [1, 2)
        g_sqrtTable[q] = MantissaOfRoot(0x40000000u | (q << 8));          // [2, 4)
    }
}
