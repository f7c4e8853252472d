// Why the rectangles hold. In a spot light's pass only that light is on; its ambient colour,
// the material's emission and specular colour and the global ambient are all black, so a
// vertex outside the light's cone is lit exactly zero (the driver tests the cone per vertex:
// zero unless the angle to the beam is below the cut-off). Lighting is per vertex, so a
// triangle with no lit corner adds exactly zero everywhere it covers, glass picture or not.
// Alpha: every lit vertex carries the material's diffuse alpha, 1, but the base pass already
// left 1 on all the floor and shape pixels, so the clamped sum stays 1 there too.
//
// The floor is lit at its 17 x 17 grid corners, so a pass on it can only change the cells
// that have a lit corner. They are gathered per row of cells, from the first to the last
// column with a lit corner above or below; each such strip is a flat quad, cut at the near
// plane and projected. Only grid corners are tested, so the region stays within the floor
// square whatever the footprint's shape: an ellipse, or a parabola or hyperbola when the cone
// reaches the horizon, or nothing on the floor at all.
// The shadow marks are read only by the same light's floor pass, and only where it draws, so
// they share its rectangle.
// The shape lies in a sphere around its origin; if the cone misses the sphere no vertex of
// the shape is lit and its pass is skipped, otherwise it is limited to the sphere's bounds.
//
// Margins, each far larger than what it covers:
// - The cone tested has its apex 1 unit further back along the beam and its half-angle 2e-3
//   radians wider. The driver's own test runs in single precision on eye-space positions, a
//   few units in 1e7 of the scene's extent (a few 1e-4 units); that turns an angle by less
//   than 1e-3 radians for a vertex more than 0.5 units from the light, and every point
//   nearer than sin(30 degrees) units to the light is inside the moved cone anyway.
// - The shape's sphere has the bounding radius times the model matrix's longest axis (its
//   rotations drift slightly from unit length over a long run), 0.1 % more.
// - On screen, a pixel is drawn when its centre lies inside the projected triangle; the
//   driver snaps corners to 1/256 pixel and projects in single precision, so the bounding
//   box of the projected region grown by 1 pixel and rounded outwards holds every pixel it
//   can draw.
#include "scene/LightBounds.h"

#include <algorithm>
#include <cmath>

#include "math/Cone.h"
#include "objects/CFloor.h"
#include "objects/CShape.h"
#include "objects/CSpotLight.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kApexBack = 1.0;        // world units
constexpr double kWiden = 2e-3;          // radians
constexpr double kRadiusSlack = 1.001;   // factor on the shape's bounding radius
constexpr double kPixelMargin = 1.0;     // pixels

Vector3 Transform(const Matrix4& m, float x, float y, float z)
{
    return Vector3(m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
                   m[2] * x + m[6] * y + m[10] * z + m[14]);
}

double LongestAxis(const Matrix4& m)
{
    double longest = 0.0;
    for (int column = 0; column < 3; ++column) {
        const float* a = &m.m[4 * column];
        longest = std::max(longest, std::sqrt(double(a[0]) * a[0] + double(a[1]) * a[1] +
                                              double(a[2]) * a[2]));
    }
    return longest;
}

PixelRect WholeViewport(const int viewport[4])
{
    return PixelRect{viewport[0], viewport[1], std::max(viewport[2], 0),
                     std::max(viewport[3], 0)};
}

PixelRect BoundFloorPass(const Cone& cone, const CFloor& floor, ScreenBounds& bounds)
{
    constexpr int kCorners = CFloor::kCells + 1;
    constexpr float kStep = 2.0f * CFloor::kHalfSize / CFloor::kCells;  // 7.5 world units
    const Matrix4& model = floor.modelMatrix;
    auto corner = [](int index) { return -CFloor::kHalfSize + kStep * float(index); };

    // First and last lit column of each row of corners; first > last when none is lit.
    int first[kCorners], last[kCorners];
    for (int row = 0; row < kCorners; ++row) {
        first[row] = kCorners;
        last[row] = -1;
        for (int column = 0; column < kCorners; ++column)
            if (cone.Contains(Transform(model, corner(column), corner(row), 0.0f))) {
                first[row] = std::min(first[row], column);
                last[row] = column;
            }
    }
    // Cell (row, column) spans corners row..row + 1 and column..column + 1.
    for (int row = 0; row < CFloor::kCells; ++row) {
        int from = CFloor::kCells, to = -1;  // cells with a lit corner in this row
        for (int edge : {row, row + 1})
            if (first[edge] <= last[edge]) {
                from = std::min(from, std::max(first[edge] - 1, 0));
                to = std::max(to, std::min(last[edge], CFloor::kCells - 1));
            }
        if (from > to)
            continue;
        const float x0 = corner(from), x1 = corner(to + 1);
        const float y0 = corner(row), y1 = corner(row + 1);
        const Vector3 strip[4] = {Transform(model, x0, y0, 0.0f), Transform(model, x1, y0, 0.0f),
                                  Transform(model, x1, y1, 0.0f), Transform(model, x0, y1, 0.0f)};
        bounds.AddPolygon(strip, 4);
    }
    return bounds.Pixels(kPixelMargin);
}

}  // namespace

LightPassRects BoundLightPasses(const CSpotLight& light, const CFloor& floor,
                                const CShape& shape, const Matrix4& projection,
                                const Matrix4& view, const int viewport[4])
{
    LightPassRects rects;
    const Matrix4& m = light.modelMatrix;
    if (m[15] == 0.0f) {  // a light at infinity has no cone to bound
        rects.floor = rects.shape = WholeViewport(viewport);
        return rects;
    }
    const Vector3 apex(m[12] / m[15], m[13] / m[15], m[14] / m[15]);
    const Cone cone = Cone(apex, Vector3(m[8], m[9], m[10]), light.spotCutoff * kPi / 180.0)
                          .Grown(kApexBack, kWiden);

    ScreenBounds floorBounds(projection, view, viewport);
    rects.floor = BoundFloorPass(cone, floor, floorBounds);

    const Matrix4& placed = shape.modelMatrix;
    const Vector3 centre(placed[12], placed[13], placed[14]);
    const double radius = CShape::kBoundingRadius * LongestAxis(placed) * kRadiusSlack;
    if (cone.MeetsSphere(centre, radius)) {
        ScreenBounds shapeBounds(projection, view, viewport);
        shapeBounds.AddSphere(centre, radius);
        rects.shape = shapeBounds.Pixels(kPixelMargin);
    }
    return rects;
}
