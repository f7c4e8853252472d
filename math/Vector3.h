// Vector3: three single-precision floats, a position or direction in world units (z up).
// Laid out as a plain float[3] so it can be handed to GL as an array. Lengths use the
// table-driven FastSqrt, so InitFastSqrtTable must have run before Length or Normalize.
#pragma once

struct Vector3 {
    float x, y, z;

    Vector3() = default;  // uninitialised, like the other math value types
    constexpr Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    float LengthSquared() const { return x * x + y * y + z * z; }
    float Length() const;
    Vector3& operator/=(float s);
    // Divides by the length; a zero vector stays zero (never divides by zero).
    Vector3& Normalize();

    const float* Data() const { return &x; }
};

// Right-handed cross product a x b, formed whole before it is returned.
Vector3 Cross(const Vector3& a, const Vector3& b);

static_assert(sizeof(Vector3) == 3 * sizeof(float), "Vector3 must read as float[3]");
