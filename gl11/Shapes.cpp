// Tessellation of the quadrics (sphere, cylinder, disk) and the solid sphere and torus. The
// quadrics go around z clockwise seen from +z, starting on +y (x = r sin a, y = r cos a); the
// solids go from +x, the sphere clockwise and the torus counter-clockwise. Angles are computed
// in double and emitted as floats; every vertex carries its own normal.
#include "gl11/Shapes.h"

#include <GL/gl.h>

#include <cmath>

namespace gl11 {

namespace {

constexpr double kPi = 3.14159265358979323846;

void Emit(double nx, double ny, double nz, double x, double y, double z)
{
    glNormal3f(static_cast<float>(nx), static_cast<float>(ny), static_cast<float>(nz));
    glVertex3f(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

// Point of a quadric's sphere at polar angle rho (0 = +z) and slice i.
void SpherePoint(double radius, double rho, int i, int slices)
{
    const double a = 2.0 * kPi * i / slices;
    const double nx = std::sin(rho) * std::sin(a), ny = std::sin(rho) * std::cos(a);
    const double nz = std::cos(rho);
    Emit(nx, ny, nz, radius * nx, radius * ny, radius * nz);
}

// Point of the solid sphere at polar angle rho (0 = +z) and slice i.
void SolidSpherePoint(double radius, double rho, int i, int slices)
{
    const double a = 2.0 * kPi * i / slices;
    const double nx = std::sin(rho) * std::cos(a), ny = -std::sin(rho) * std::sin(a);
    const double nz = std::cos(rho);
    Emit(nx, ny, nz, radius * nx, radius * ny, radius * nz);
}

// Point of the torus at ring i (around z) and side j (around the tube).
void TorusPoint(double inner, double outer, int i, int rings, int j, int sides)
{
    const double phi = 2.0 * kPi * i / rings, psi = -2.0 * kPi * j / sides;
    const double cx = std::cos(phi), cy = std::sin(phi);
    const double across = outer + inner * std::cos(psi);
    Emit(std::cos(psi) * cx, std::cos(psi) * cy, std::sin(psi), across * cx, across * cy,
         inner * std::sin(psi));
}

}  // namespace

void Sphere(double radius, int slices, int stacks)
{
    const double step = kPi / stacks;
    glBegin(GL_TRIANGLE_FAN);  // north cap, around -z
    Emit(0.0, 0.0, 1.0, 0.0, 0.0, radius);
    for (int i = slices; i >= 0; --i)
        SpherePoint(radius, step, i, slices);
    glEnd();
    glBegin(GL_TRIANGLE_FAN);  // south cap, around +z
    Emit(0.0, 0.0, -1.0, 0.0, 0.0, -radius);
    for (int i = 0; i <= slices; ++i)
        SpherePoint(radius, kPi - step, i, slices);
    glEnd();
    for (int j = 1; j + 1 < stacks; ++j) {  // the bands between, north to south
        glBegin(GL_QUAD_STRIP);
        for (int i = 0; i <= slices; ++i) {
            SpherePoint(radius, (j + 1) * step, i, slices);
            SpherePoint(radius, j * step, i, slices);
        }
        glEnd();
    }
}

void Cylinder(double base, double top, double height, int slices, int stacks)
{
    // The wall leans by (base - top) / height; its normal leans the other way, unit length.
    const double slope = (base - top) / height;
    const double scale = 1.0 / std::sqrt(1.0 + slope * slope);
    for (int j = 0; j < stacks; ++j) {
        glBegin(GL_QUAD_STRIP);
        for (int i = 0; i <= slices; ++i) {
            const double a = 2.0 * kPi * i / slices;
            const double s = std::sin(a), c = std::cos(a);
            for (int k = j; k <= j + 1; ++k) {
                const double r = base + (top - base) * k / stacks;
                Emit(s * scale, c * scale, slope * scale, r * s, r * c, height * k / stacks);
            }
        }
        glEnd();
    }
}

void Disk(double inner, double outer, int slices, int loops)
{
    auto radius = [&](int loop) { return inner + (outer - inner) * loop / loops; };
    auto point = [&](double r, int i) {
        const double a = 2.0 * kPi * i / slices;
        Emit(0.0, 0.0, 1.0, r * std::sin(a), r * std::cos(a), 0.0);
    };
    int innermost = 0;
    if (inner == 0.0) {  // the centre as one fan out to the first loop
        glBegin(GL_TRIANGLE_FAN);
        Emit(0.0, 0.0, 1.0, 0.0, 0.0, 0.0);
        for (int i = slices; i >= 0; --i)
            point(radius(1), i);
        glEnd();
        innermost = 1;
    }
    for (int loop = loops - 1; loop >= innermost; --loop) {  // rings from the rim inwards
        glBegin(GL_QUAD_STRIP);
        for (int i = 0; i <= slices; ++i) {
            point(radius(loop + 1), i);
            point(radius(loop), i);
        }
        glEnd();
    }
}

void SolidSphere(double radius, int slices, int stacks)
{
    const double step = kPi / stacks;
    glBegin(GL_TRIANGLE_STRIP);  // north cap, the pole repeated between the ring's points
    for (int i = 0; i <= slices; ++i) {
        SolidSpherePoint(radius, step, i, slices);
        Emit(0.0, 0.0, 1.0, 0.0, 0.0, radius);
    }
    glEnd();
    for (int j = 1; j + 1 < stacks; ++j) {  // the bands between, north to south
        glBegin(GL_TRIANGLE_STRIP);
        for (int i = 0; i <= slices; ++i) {
            SolidSpherePoint(radius, (j + 1) * step, i, slices);
            SolidSpherePoint(radius, j * step, i, slices);
        }
        glEnd();
    }
    glBegin(GL_TRIANGLE_STRIP);  // south cap
    for (int i = 0; i <= slices; ++i) {
        Emit(0.0, 0.0, -1.0, 0.0, 0.0, -radius);
        SolidSpherePoint(radius, kPi - step, i, slices);
    }
    glEnd();
}

void SolidTorus(double inner, double outer, int sides, int rings)
{
    for (int j = 0; j < sides; ++j) {  // one strip per band around the tube
        glBegin(GL_TRIANGLE_STRIP);
        for (int i = 0; i <= rings; ++i) {
            TorusPoint(inner, outer, i, rings, j, sides);
            TorusPoint(inner, outer, i, rings, j + 1, sides);
        }
        glEnd();
    }
}

}  // namespace gl11
