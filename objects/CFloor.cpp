// CFloor: the floor mesh, 16 triangle strips of 17 vertex pairs in the plane z = 0,
// x and y from -60 to 60 world units, normals +z and counter-clockwise seen from above.
#include "objects/CFloor.h"

#include "app/Globals.h"

namespace {

constexpr float kHalfSize = CFloor::kHalfSize;
constexpr float kStep = 0.125f;        // grid step in the unit square (7.5 world units)
static_assert(kStep * CFloor::kCells == 2.0f, "the grid spans the unit square's 2 units");
constexpr float kTexScale = 2.5f;      // five picture repeats across the unit square's 2 units
constexpr float kTexShiftS = 0.25f;    // tiles
constexpr float kTexShiftT = -0.25f;   // tiles

}  // namespace

CFloor::CFloor(Scene* owner) : CDrawable(owner)
{
    ambient = Vector4{{0.35f, 0.35f, 0.35f, 1.0f}};
    diffuse = Vector4{{0.5f, 0.5f, 0.5f, 1.0f}};
    texture = g_floorTexture;
}

void CFloor::DrawGeometry()
{
    // The loop bounds 0.99 and 1.01 lie between grid values, so the accumulated steps give
    // exactly 16 rows and 17 columns.
    for (float v = -1.0f; v < 0.99f; v += kStep) {
        glBegin(GL_TRIANGLE_STRIP);
        glNormal3f(0.0f, 0.0f, 1.0f);
        const float nextV = v + kStep;
        for (float u = -1.0f; u <= 1.01f; u += kStep) {
            glTexCoord2f(kTexScale * u + kTexShiftS, kTexScale * nextV + kTexShiftT);
            glVertex3f(kHalfSize * u, kHalfSize * nextV, 0.0f);
            glTexCoord2f(kTexScale * u + kTexShiftS, kTexScale * v + kTexShiftT);
            glVertex3f(kHalfSize * u, kHalfSize * v, 0.0f);
        }
        glEnd();
    }
}
