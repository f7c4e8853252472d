// Cone containment tests. A direction d from the apex is inside when its angle to the axis is
// at most the half-angle, that is when d . axis >= cos(halfAngle) |d|: valid for every
// half-angle from 0 to pi, since the cosine falls monotonically over that range.
#include "math/Cone.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

double Dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

}  // namespace

Cone::Cone(const Vector3& apex_, const Vector3& axis_, double halfAngle_)
    : apex{apex_.x, apex_.y, apex_.z}, axis{axis_.x, axis_.y, axis_.z},
      halfAngle(std::clamp(halfAngle_, 0.0, kPi)), cosHalfAngle(std::cos(halfAngle))
{
    const double length = std::sqrt(Dot(axis, axis));
    for (double& component : axis)
        component = length > 0.0 ? component / length : 0.0;
}

Cone Cone::Grown(double back, double widen) const
{
    Cone grown = *this;
    for (int i = 0; i < 3; ++i)
        grown.apex[i] -= back * axis[i];
    grown.halfAngle = std::clamp(halfAngle + widen, 0.0, kPi);
    grown.cosHalfAngle = std::cos(grown.halfAngle);
    return grown;
}

bool Cone::Contains(const Vector3& point) const
{
    if (Dot(axis, axis) == 0.0)
        return true;
    const double d[3] = {point.x - apex[0], point.y - apex[1], point.z - apex[2]};
    return Dot(d, axis) >= cosHalfAngle * std::sqrt(Dot(d, d));
}

bool Cone::MeetsSphere(const Vector3& centre, double radius) const
{
    if (Dot(axis, axis) == 0.0)
        return true;
    const double d[3] = {centre.x - apex[0], centre.y - apex[1], centre.z - apex[2]};
    const double distance = std::sqrt(Dot(d, d));
    if (distance <= radius)
        return true;  // the apex lies in the sphere
    // Seen from the apex the sphere fills the directions within asin(r / distance) of its
    // centre's direction; that cap meets the cone's directions when the angle between the
    // centre and the axis is at most the sum of the two angular radii.
    const double toAxis = std::acos(std::clamp(Dot(d, axis) / distance, -1.0, 1.0));
    return toAxis <= halfAngle + std::asin(radius / distance);
}
