// Fast square root bit patterns and table samples, and the vector operations built on it;
// the cone tests and the screen bounds that limit the light passes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <ios>

#include "math/Cone.h"
#include "math/Constants.h"
#include "math/FastSqrt.h"
#include "math/ScreenBounds.h"
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

// A point at `degrees` from the -z axis, `distance` from the origin.
Vector3 OffAxis(double degrees, double distance)
{
    const double radians = degrees * 3.14159265358979 / 180.0;
    return Vector3(float(distance * std::sin(radians)), 0.0f, float(-distance * std::cos(radians)));
}

TEST(ConeTest, PointsAndSpheresAgainstTheBoundary)
{
    const double kThirty = 30.0 * 3.14159265358979 / 180.0;
    const Cone cone(kZeroVector, Vector3(0.0f, 0.0f, -2.0f), kThirty);  // axis of any length
    EXPECT_TRUE(cone.Contains(kZeroVector)) << "the apex";
    EXPECT_TRUE(cone.Contains(OffAxis(29.9, 50.0)));
    EXPECT_FALSE(cone.Contains(OffAxis(30.1, 50.0)));
    EXPECT_FALSE(cone.Contains(Vector3(0.0f, 0.0f, 1.0f))) << "behind the apex";
    EXPECT_TRUE(Cone(kZeroVector, kZAxis, 2.0).Contains(Vector3(1.0f, 0.0f, -0.1f)))
        << "a half-angle past 90 degrees";

    // Seen from the apex a sphere at distance 10 with radius 10 sin(a) spans a degrees.
    const double toRadius = 10.0 * std::sin(11.0 * 3.14159265358979 / 180.0);
    EXPECT_TRUE(cone.MeetsSphere(OffAxis(40.0, 10.0), toRadius * 1.001));
    EXPECT_FALSE(cone.MeetsSphere(OffAxis(42.0, 10.0), toRadius));
    EXPECT_TRUE(cone.MeetsSphere(Vector3(0.0f, 0.0f, 3.0f), 3.5)) << "holds the apex";
    EXPECT_FALSE(cone.MeetsSphere(Vector3(0.0f, 0.0f, 3.0f), 2.5)) << "behind the apex";

    // Grown: wider, and holding the points near the old apex.
    const Cone grown = cone.Grown(1.0, 0.01);
    EXPECT_TRUE(grown.Contains(OffAxis(30.5, 50.0)));
    EXPECT_FALSE(grown.Contains(OffAxis(32.0, 50.0)));
    EXPECT_FALSE(cone.Contains(Vector3(0.45f, 0.0f, 0.0f)));
    EXPECT_TRUE(grown.Contains(Vector3(0.45f, 0.0f, 0.0f)));
}

TEST(ScreenBoundsTest, ProjectsCutsAtTheNearPlaneAndRoundsOutwards)
{
    // A 90-degree perspective, near 1, far 100, looking down -z; a 100 x 100 viewport.
    const Matrix4 projection{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -101.0f / 99.0f, -1,
                              0, 0, -200.0f / 99.0f, 0}};
    const int viewport[4] = {0, 0, 100, 100};
    auto rectOf = [&](const Vector3* corners, int count) {
        ScreenBounds bounds(projection, kIdentity, viewport);
        bounds.AddPolygon(corners, count);
        return bounds.Pixels(1.0);
    };

    // At depth 2 a 2 x 2 square covers window 25..75; grown by a pixel and rounded outwards.
    const Vector3 square[4] = {{-1, -1, -2}, {1, -1, -2}, {1, 1, -2}, {-1, 1, -2}};
    PixelRect rect = rectOf(square, 4);
    EXPECT_EQ(rect.x, 24);
    EXPECT_EQ(rect.width, 52);
    EXPECT_EQ(rect.y, 24);
    EXPECT_EQ(rect.height, 52);

    // A floor from the eye's own plane to depth 4, 1 below the eye: only the part beyond the
    // near plane counts, from window y 0 (depth 1) to 37.5 (depth 4).
    const Vector3 floor[4] = {{-1, -1, 0}, {1, -1, 0}, {1, -1, -4}, {-1, -1, -4}};
    rect = rectOf(floor, 4);
    EXPECT_EQ(rect.x, 0);
    EXPECT_EQ(rect.width, 100);
    EXPECT_EQ(rect.y, 0);
    EXPECT_EQ(rect.height, 39);

    const Vector3 behind[3] = {{-1, -1, 0.5f}, {1, -1, 2}, {0, 1, 0.9f}};
    EXPECT_TRUE(rectOf(behind, 3).Empty()) << "wholly behind the eye";
    const Vector3 aside[3] = {{10, 0, -2}, {12, 0, -2}, {11, 1, -2}};
    EXPECT_TRUE(rectOf(aside, 3).Empty()) << "outside the viewport";

    // A sphere of radius 1 at depth 10 spans 50 +- 5.03; its view-aligned cube 50 +- 5.56.
    ScreenBounds bounds(projection, kIdentity, viewport);
    bounds.AddSphere(Vector3(0, 0, -10), 1.0);
    rect = bounds.Pixels(1.0);
    EXPECT_EQ(rect.x, 43);
    EXPECT_EQ(rect.width, 14);
}

}  // namespace
