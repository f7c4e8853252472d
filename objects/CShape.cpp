// CShape: the wood-textured solid. Its geometry is a GLUT torus or sphere, or a capped
// cylinder built from GLU quadrics; changing the form recompiles both display lists.
#include "objects/CShape.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include "app/Globals.h"

namespace {

constexpr int kShapeCount = 3;  // torus, sphere, capped cylinder

// Sizes in world units, in the shape's local frame centred on its origin.
constexpr double kTorusTubeRadius = 7.0;
constexpr double kTorusRingRadius = 13.0;  // centre to the middle of the tube
constexpr double kSphereRadius = 17.0;
constexpr double kCylinderRadius = 13.0;
constexpr double kCylinderLength = 30.0;  // from z = -15 to z = +15
constexpr int kCylinderSlices = 24;

// The tessellations' corners lie on these surfaces, so their triangles stay inside the sphere.
constexpr double kBound = CShape::kBoundingRadius;
static_assert(kTorusRingRadius + kTorusTubeRadius <= kBound, "torus within the bound");
static_assert(kSphereRadius <= kBound, "sphere within the bound");
static_assert(kCylinderRadius * kCylinderRadius + kCylinderLength * kCylinderLength / 4.0 <=
                  kBound * kBound,
              "cylinder's rims within the bound");

void DrawCappedCylinder()
{
    GLUquadric* quadric = gluNewQuadric();  // filled, smooth normals, outward, no texcoords
    if (!quadric)
        return;  // out of memory: nothing to draw
    const float halfLength = static_cast<float>(kCylinderLength / 2.0);
    glPushMatrix();
    glTranslatef(0.0f, 0.0f, halfLength);  // top cap, facing +z
    gluDisk(quadric, 0.0, kCylinderRadius, kCylinderSlices, 4);
    glTranslatef(0.0f, 0.0f, -2.0f * halfLength);  // wall, from the bottom up
    gluCylinder(quadric, kCylinderRadius, kCylinderRadius, kCylinderLength, kCylinderSlices, 8);
    glRotatef(180.0f, 1.0f, 0.0f, 0.0f);  // bottom cap, facing -z
    gluDisk(quadric, 0.0, kCylinderRadius, kCylinderSlices, 4);
    glPopMatrix();
    gluDeleteQuadric(quadric);
}

}  // namespace

CShape::CShape(Scene* owner) : CDrawable(owner)
{
    ambient = Vector4{{1.0f, 1.0f, 1.0f, 1.0f}};
    diffuse = Vector4{{1.0f, 1.0f, 1.0f, 1.0f}};
    specular = Vector4{{0.3f, 0.3f, 0.3f, 1.0f}};
    shininess = 10.0f;
    texture = g_woodTexture;
}

void CShape::Update() { CDrawable::Update(); }

void CShape::DrawGeometry()
{
    switch (shapeIndex) {
    case 0:
        glutSolidTorus(kTorusTubeRadius, kTorusRingRadius, 24, 32);
        break;
    case 1:
        glutSolidSphere(kSphereRadius, 24, 12);
        break;
    default:
        DrawCappedCylinder();
        break;
    }
}

void CShape::ChangeShape()
{
    shapeIndex = (shapeIndex + 1) % kShapeCount;
    DeleteLists();
    BuildLists();
}
