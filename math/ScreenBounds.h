// ScreenBounds: the window-space box that flat convex polygons and spheres can cover when
// seen through a view and a projection, as whole pixels for glScissor. Polygons are cut at
// the near plane before they are projected, so geometry behind the eye never folds the box
// inside out. No GL here: the caller reads the matrices and the viewport.
#pragma once

#include "math/Matrix4.h"
#include "math/Vector3.h"

// Whole pixels in window coordinates (origin bottom left), as glScissor takes them.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool Empty() const { return width <= 0 || height <= 0; }
};

class ScreenBounds {
public:
    static constexpr int kMaxCorners = 8;

    // projection and view as GL holds them (column-major); the view must be rigid (a rotation
    // and a translation), as a look-at view is. viewport: x, y, width, height in pixels.
    ScreenBounds(const Matrix4& projection, const Matrix4& view, const int viewport[4]);

    // A flat convex polygon of world points, 3 to kMaxCorners corners.
    void AddPolygon(const Vector3* corners, int count);
    // A solid sphere of world centre and radius, as the view-aligned cube around it.
    void AddSphere(const Vector3& centre, double radius);

    // The pixels whose centres what was added can cover, with `margin` more pixels on every
    // side, cut to the viewport. Empty when nothing added lies in front of the near plane.
    PixelRect Pixels(double margin) const;

private:
    // Cuts a convex polygon in eye coordinates at the near plane and adds what is left.
    void AddEyePolygon(const double (*eye)[3], int count);

    double projection[16];
    double view[16];
    int viewport[4];
    double low[2];   // window x, y of the box; low > high while nothing has been added
    double high[2];
    bool unbounded = false;  // a point too near the eye plane to project: the whole viewport
};
