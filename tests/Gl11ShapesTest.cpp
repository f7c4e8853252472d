// gl11's quadrics and solids against the system's GLU and GLUT: for each call the program
// makes (and a few odd counts), both run in feedback mode and must give the same triangles in
// the same order, each with the same corners in the same order and the same normals, made
// visible as colours by three directional lights along the axes, once from + and once from -.
#include <GL/freeglut.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "DrawableTestSupport.h"
#include "gl11/Shapes.h"
#include "support/GLTestContext.h"

namespace {

using namespace corvane::test;

// Lights GL_LIGHT0..2 shine along +x, +y, +z (sign 1) or -x, -y, -z (sign -1), each into one
// colour channel, so that a lit vertex's red, green and blue are max(0, sign * n) per axis.
void LightAlongAxes(float sign)
{
    const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glEnable(GL_LIGHTING);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
    for (int axis = 0; axis < 3; ++axis) {
        GLfloat direction[4] = {0.0f, 0.0f, 0.0f, 0.0f};  // w = 0: directional
        GLfloat colour[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        direction[axis] = sign;
        colour[axis] = 1.0f;
        glEnable(GL_LIGHT0 + axis);
        glLightfv(GL_LIGHT0 + axis, GL_POSITION, direction);
        glLightfv(GL_LIGHT0 + axis, GL_DIFFUSE, colour);
    }
}

class Gl11ShapesTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        LoadObjectView();
        quadric = gluNewQuadric();
        ASSERT_NE(quadric, nullptr);
    }
    void TearDown() override
    {
        gluDeleteQuadric(quadric);
        GLTest::TearDown();
    }

    // Both draws, tilted, under both lightings: same triangles, corners within 1/1000 of a world unit
    // and normals within 1e-4 per component.
    void ExpectSameTriangles(const std::function<void()>& native,
                             const std::function<void()>& ours)
    {
        for (float sign : {1.0f, -1.0f}) {
            SCOPED_TRACE(sign > 0 ? "lit from +" : "lit from -");
            glLoadIdentity();
            LightAlongAxes(sign);
            glRotatef(30.0f, 1.0f, 0.5f, 0.0f);  // no wall or cap edge-on
            const auto expected = CaptureFeedback(native);
            const auto actual = CaptureFeedback(ours);
            ASSERT_GT(expected.size(), 0u);
            ASSERT_EQ(actual.size(), expected.size());
            for (size_t p = 0; p < expected.size(); ++p) {
                ASSERT_EQ(actual[p].size(), expected[p].size()) << "triangle " << p;
                for (size_t k = 0; k < expected[p].size(); ++k) {
                    const FeedbackVertex& e = expected[p][k];
                    const FeedbackVertex& a = actual[p][k];
                    const float position = std::fabs(a.x - e.x) + std::fabs(a.y - e.y) +
                                           std::fabs(a.z - e.z);
                    const float normal = std::fabs(a.color[0] - e.color[0]) +
                                         std::fabs(a.color[1] - e.color[1]) +
                                         std::fabs(a.color[2] - e.color[2]);
                    ASSERT_LT(position, 1e-3f) << "triangle " << p << " corner " << k;
                    ASSERT_LT(normal, 3e-4f) << "triangle " << p << " corner " << k;
                }
            }
        }
    }

    GLUquadric* quadric = nullptr;
};

TEST_F(Gl11ShapesTest, QuadricsMatchTheSystemsTriangleForTriangle)
{
    const struct {
        double inner, outer;
        int slices, loops;
    } disks[] = {{0.0, 13.0, 24, 4}, {0.0, 5.0, 7, 1}, {2.0, 9.0, 5, 3}};
    for (const auto& d : disks) {
        SCOPED_TRACE("disk " + std::to_string(d.inner) + " " + std::to_string(d.slices));
        ExpectSameTriangles([&] { gluDisk(quadric, d.inner, d.outer, d.slices, d.loops); },
                            [&] { gl11::Disk(d.inner, d.outer, d.slices, d.loops); });
    }
    const struct {
        double base, top, height;
        int slices, stacks;
    } cylinders[] = {{13.0, 13.0, 30.0, 24, 8}, {1.0, 3.0, 5.0, 16, 2}, {9.0, 2.0, 20.0, 5, 3}};
    for (const auto& c : cylinders) {
        SCOPED_TRACE("cylinder " + std::to_string(c.base) + " " + std::to_string(c.top));
        ExpectSameTriangles(
            [&] { gluCylinder(quadric, c.base, c.top, c.height, c.slices, c.stacks); },
            [&] { gl11::Cylinder(c.base, c.top, c.height, c.slices, c.stacks); });
    }
    const struct {
        double radius;
        int slices, stacks;
    } spheres[] = {{1.0, 16, 4}, {20.0, 7, 5}, {30.0, 5, 2}};
    for (const auto& s : spheres) {
        SCOPED_TRACE("sphere " + std::to_string(s.radius));
        ExpectSameTriangles([&] { gluSphere(quadric, s.radius, s.slices, s.stacks); },
                            [&] { gl11::Sphere(s.radius, s.slices, s.stacks); });
    }
}

TEST_F(Gl11ShapesTest, SolidsMatchTheSystemsTriangleForTriangle)
{
    const struct {
        double radius;
        int slices, stacks;
    } spheres[] = {{17.0, 24, 12}, {30.0, 5, 3}, {10.0, 7, 2}};
    for (const auto& s : spheres) {
        SCOPED_TRACE("solid sphere " + std::to_string(s.radius));
        ExpectSameTriangles([&] { glutSolidSphere(s.radius, s.slices, s.stacks); },
                            [&] { gl11::SolidSphere(s.radius, s.slices, s.stacks); });
    }
    const struct {
        double inner, outer;
        int sides, rings;
    } tori[] = {{7.0, 13.0, 24, 32}, {5.0, 30.0, 3, 5}, {10.0, 20.0, 7, 4}};
    for (const auto& t : tori) {
        SCOPED_TRACE("torus " + std::to_string(t.inner) + " " + std::to_string(t.outer));
        ExpectSameTriangles([&] { glutSolidTorus(t.inner, t.outer, t.sides, t.rings); },
                            [&] { gl11::SolidTorus(t.inner, t.outer, t.sides, t.rings); });
    }
}

}  // namespace
