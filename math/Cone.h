// Cone: a solid circular cone (one nappe) given by its apex, its axis and its half-angle,
// with the two containment tests that bound what a spot light can reach. Exact geometry in
// double precision; callers that need a safety margin widen the cone themselves (Grown).
#pragma once

#include "math/Vector3.h"

class Cone {
public:
    // axis need not be unit length (a zero axis makes every test true); halfAngle in radians,
    // 0 to pi (pi: the whole space).
    Cone(const Vector3& apex, const Vector3& axis, double halfAngle);

    // The cone with its apex moved back along the axis by `back` world units and its
    // half-angle widened by `widen` radians: it holds this cone, and every point within
    // back * sin(halfAngle) of this cone's apex.
    Cone Grown(double back, double widen) const;

    // The point lies inside or on the cone.
    bool Contains(const Vector3& point) const;
    // Some point of the solid sphere lies inside or on the cone.
    bool MeetsSphere(const Vector3& centre, double radius) const;

private:
    double apex[3];
    double axis[3];  // unit length, or zero
    double halfAngle;
    double cosHalfAngle;
};
