// Fast square root bit patterns and table samples, and the vector operations built on it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "math/Constants.h"
#include "math/FastSqrt.h"
#include "math/Vector3.h"

namespace {

uint32_t Bits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float FromBits(uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

class FastSqrtTest : public testing::Test {
protected:
    static void SetUpTestSuite() { InitFastSqrtTable(); }
};

TEST_F(FastSqrtTest, TableHoldsRootMantissasOfBothHalves)
{
    EXPECT_EQ(g_sqrtTable[0], 0x3504F3u);      // sqrt(2)
    EXPECT_EQ(g_sqrtTable[32767], 0x7FFF80u);
    EXPECT_EQ(g_sqrtTable[32768], 0u);         // sqrt(1)
    EXPECT_EQ(g_sqrtTable[65535], 0x350499u);
    for (uint32_t entry : g_sqrtTable)
        ASSERT_EQ(entry & 0xFF800000u, 0u) << "only the 23 mantissa bits may be set";
    // Filling again rewrites the same contents.
    const uint32_t before = g_sqrtTable[12345];
    InitFastSqrtTable();
    EXPECT_EQ(g_sqrtTable[12345], before);
}

TEST_F(FastSqrtTest, ExactForPerfectSquaresAndShortMantissas)
{
    EXPECT_EQ(FastSqrt(0.0f), 0.0f);
    EXPECT_EQ(FastSqrt(1.0f), 1.0f);
    EXPECT_EQ(FastSqrt(4.0f), 2.0f);
    EXPECT_EQ(FastSqrt(0.25f), 0.5f);
    EXPECT_EQ(FastSqrt(25.0f), 5.0f);
    EXPECT_EQ(Bits(FastSqrt(2.0f)), 0x3FB504F3u);
    EXPECT_EQ(Bits(FastSqrt(0.5f)), 0x3F3504F3u);
    EXPECT_EQ(Bits(FastSqrt(3.0f)), 0x3FDDB3D7u);
}

TEST_F(FastSqrtTest, IgnoresTheLowMantissaBitsAndNeverRoundsUp)
{
    EXPECT_EQ(Bits(FastSqrt(0.001f)), 0x3D0186ACu);
    EXPECT_LT(FastSqrt(0.001f), std::sqrt(0.001f));

    // Over a spread of exponents and mantissas: the rounded root of the truncated input.
    for (uint32_t bits = 0x00800000u; bits < 0x7F000000u; bits += 0x00012345u) {
        const float x = FromBits(bits);
        const float truncated = FromBits(bits & ~0xFFu);
        ASSERT_EQ(Bits(FastSqrt(x)), Bits(std::sqrt(truncated))) << std::hex << bits;
        ASSERT_LE(FastSqrt(x), std::sqrt(x));
        ASSERT_LT(std::fabs(FastSqrt(x) - std::sqrt(x)) / std::sqrt(x), 1.6e-5f);
    }
}

TEST_F(FastSqrtTest, NormalizeDividesByTheLengthAndLeavesZeroAlone)
{
    Vector3 zero = kZeroVector;
    zero.Normalize();
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
    EXPECT_EQ(zero.z, 0.0f);

    Vector3 v(3.0f, 4.0f, 0.0f);
    EXPECT_EQ(v.LengthSquared(), 25.0f);
    EXPECT_EQ(v.Length(), 5.0f);
    v.Normalize();
    EXPECT_EQ(v.x, 3.0f / 5.0f);
    EXPECT_EQ(v.y, 4.0f / 5.0f);
    EXPECT_EQ(v.z, 0.0f);
}

TEST(VectorTest, CrossIsRightHandedAndMayOverwriteAnOperand)
{
    const Vector3 z = Cross(kXAxis, kYAxis);
    EXPECT_EQ(z.x, kZAxis.x);
    EXPECT_EQ(z.y, kZAxis.y);
    EXPECT_EQ(z.z, kZAxis.z);
    const Vector3 minusZ = Cross(kYAxis, kXAxis);
    EXPECT_EQ(minusZ.z, -1.0f);

    Vector3 a(1.0f, 2.0f, 3.0f);
    const Vector3 b(4.0f, 5.0f, 6.0f);
    a = Cross(a, b);
    EXPECT_EQ(a.x, -3.0f);
    EXPECT_EQ(a.y, 6.0f);
    EXPECT_EQ(a.z, -3.0f);
}

TEST(ConstantsTest, IdentityAndColoursHaveTheirValues)
{
    int nonZero = 0;
    for (int i = 0; i < 16; ++i)
        if (kIdentity[i] != 0.0f) {
            ++nonZero;
            EXPECT_TRUE(i == 0 || i == 5 || i == 10 || i == 15) << i;
            EXPECT_EQ(kIdentity[i], 1.0f);
        }
    EXPECT_EQ(nonZero, 4);
    EXPECT_EQ(Bits(kInfinity), 0x7F800000u);
    EXPECT_EQ(kInfiniteVector.y, kInfinity);
    const Vector4 colours[] = {kBlack, kRed, kGreen, kBlue, kCyan, kMagenta, kYellow, kWhite, kGrey};
    for (const Vector4& colour : colours)
        EXPECT_EQ(colour[3], 1.0f) << "every shared colour is opaque";
    EXPECT_EQ(kGrey[0], 0.5f);
    EXPECT_EQ(kMagenta[1], 0.0f);
}

}  // namespace
