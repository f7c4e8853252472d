// ScreenBounds: projection, near-plane cut and window-space box, in double precision.
// Clip coordinates c = projection * eye; the near plane is c.z = -c.w, and the part of a
// polygon with c.z + c.w >= 0 is what GL keeps (for a perspective projection, eye z <= -near,
// so c.w >= near > 0 there and the divide is safe).
#include "math/ScreenBounds.h"

#include <algorithm>
#include <cmath>

namespace {

// Column-major 4 x 4 times (x, y, z, w).
void Transform(const double m[16], const double in[4], double out[4])
{
    for (int row = 0; row < 4; ++row)
        out[row] = m[row] * in[0] + m[4 + row] * in[1] + m[8 + row] * in[2] + m[12 + row] * in[3];
}

}  // namespace

ScreenBounds::ScreenBounds(const Matrix4& projection_, const Matrix4& view_, const int viewport_[4])
    : low{1.0, 1.0}, high{0.0, 0.0}
{
    for (int i = 0; i < 16; ++i) {
        projection[i] = projection_[i];
        view[i] = view_[i];
    }
    for (int i = 0; i < 4; ++i)
        viewport[i] = viewport_[i];
}

void ScreenBounds::AddPolygon(const Vector3* corners, int count)
{
    double eye[kMaxCorners][3];
    count = std::min(count, kMaxCorners);
    for (int i = 0; i < count; ++i) {
        const double world[4] = {corners[i].x, corners[i].y, corners[i].z, 1.0};
        double transformed[4];
        Transform(view, world, transformed);
        for (int k = 0; k < 3; ++k)
            eye[i][k] = transformed[k];
    }
    AddEyePolygon(eye, count);
}

void ScreenBounds::AddSphere(const Vector3& centre, double radius)
{
    const double world[4] = {centre.x, centre.y, centre.z, 1.0};
    double c[4];
    Transform(view, world, c);
    // The six faces of the cube of half-side `radius` around the centre, in eye space.
    for (int axis = 0; axis < 3; ++axis) {
        const int u = (axis + 1) % 3, v = (axis + 2) % 3;
        for (double side : {-radius, radius}) {
            double face[4][3];
            const double su[4] = {-1.0, 1.0, 1.0, -1.0}, sv[4] = {-1.0, -1.0, 1.0, 1.0};
            for (int i = 0; i < 4; ++i) {
                face[i][axis] = c[axis] + side;
                face[i][u] = c[u] + su[i] * radius;
                face[i][v] = c[v] + sv[i] * radius;
            }
            AddEyePolygon(face, 4);
        }
    }
}

void ScreenBounds::AddEyePolygon(const double (*eye)[3], int count)
{
    double clip[kMaxCorners][4] = {};
    double nearDistance[kMaxCorners];  // c.z + c.w: >= 0 on the kept side
    for (int i = 0; i < count; ++i) {
        const double point[4] = {eye[i][0], eye[i][1], eye[i][2], 1.0};
        Transform(projection, point, clip[i]);
        nearDistance[i] = clip[i][2] + clip[i][3];
    }
    // One Sutherland-Hodgman step: each edge keeps its start when in front and adds its
    // crossing point when it crosses. A convex polygon gains at most one corner.
    double kept[kMaxCorners + 1][4];
    int keptCount = 0;
    for (int i = 0; i < count; ++i) {
        const int j = (i + 1) % count;
        const double di = nearDistance[i], dj = nearDistance[j];
        if (di >= 0.0)
            std::copy(clip[i], clip[i] + 4, kept[keptCount++]);
        if ((di >= 0.0) != (dj >= 0.0)) {
            const double t = di / (di - dj);
            for (int k = 0; k < 4; ++k)
                kept[keptCount][k] = clip[i][k] + t * (clip[j][k] - clip[i][k]);
            ++keptCount;
        }
    }
    for (int i = 0; i < keptCount; ++i) {
        const double w = kept[i][3];
        if (!(w > 1e-6)) {  // not a perspective projection in front of the eye
            unbounded = true;
            continue;
        }
        const double window[2] = {viewport[0] + (kept[i][0] / w + 1.0) * 0.5 * viewport[2],
                                  viewport[1] + (kept[i][1] / w + 1.0) * 0.5 * viewport[3]};
        for (int k = 0; k < 2; ++k) {
            if (low[k] > high[k]) {
                low[k] = high[k] = window[k];
            } else {
                low[k] = std::min(low[k], window[k]);
                high[k] = std::max(high[k], window[k]);
            }
        }
    }
}

PixelRect ScreenBounds::Pixels(double margin) const
{
    PixelRect rect;
    const double left = viewport[0], bottom = viewport[1];
    const double right = left + viewport[2], top = bottom + viewport[3];
    double box[4];  // left, bottom, right, top
    if (unbounded) {
        box[0] = left, box[1] = bottom, box[2] = right, box[3] = top;
    } else if (low[0] > high[0]) {
        return rect;  // nothing in front of the near plane
    } else {
        // A pixel is drawn when its centre (i + 0.5) lies inside; floor and ceil outward and
        // the margin keep every such i inside [floor(low - margin), ceil(high + margin)).
        box[0] = std::floor(low[0] - margin);
        box[1] = std::floor(low[1] - margin);
        box[2] = std::ceil(high[0] + margin);
        box[3] = std::ceil(high[1] + margin);
    }
    box[0] = std::max(box[0], left);
    box[1] = std::max(box[1], bottom);
    box[2] = std::min(box[2], right);
    box[3] = std::min(box[3], top);
    if (box[2] <= box[0] || box[3] <= box[1])
        return rect;
    rect.x = int(box[0]);
    rect.y = int(box[1]);
    rect.width = int(box[2] - box[0]);
    rect.height = int(box[3] - box[1]);
    return rect;
}
