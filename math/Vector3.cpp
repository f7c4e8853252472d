// Vector3 operations that need the fast square root.
#include "math/Vector3.h"

#include "math/FastSqrt.h"

float Vector3::Length() const { return FastSqrt(LengthSquared()); }

Vector3& Vector3::operator/=(float s)
{
    x /= s;
    y /= s;
    z /= s;
    return *this;
}

Vector3& Vector3::Normalize()
{
    const float length = Length();
    if (length != 0.0f)
        *this /= length;  // divide by the length itself, not by its reciprocal
    return *this;
}

Vector3 Cross(const Vector3& a, const Vector3& b)
{
    return Vector3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}
