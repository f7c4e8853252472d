// The scene's composition and animation: the light frames Build sets, what moves in a step
// and what stands still (paused, disabled lights, dt = 0), light 2's path, and the matrix
// stack left as it was.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>

#include "app/Globals.h"
#include "math/Matrix4.h"
#include "objects/CShape.h"
#include "objects/CSpotLight.h"
#include "scene/OrbitCamera.h"
#include "tests/support/SceneFixture.h"

namespace {

using corvane::test::SceneTest;
namespace offscreen = platform::offscreen;

void ExpectColumn(const Matrix4& m, int column, float x, float y, float z)
{
    EXPECT_NEAR(m[4 * column + 0], x, 1e-4) << "column " << column;
    EXPECT_NEAR(m[4 * column + 1], y, 1e-4) << "column " << column;
    EXPECT_NEAR(m[4 * column + 2], z, 1e-4) << "column " << column;
}

bool SameMatrix(const Matrix4& a, const Matrix4& b)
{
    for (int i = 0; i < 16; ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

class SceneAnimationTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        light2Time = 0.0f;
        Start();
    }
};

TEST_F(SceneAnimationTest, BuildPlacesTheObjects)
{
    const Scene& scene = SceneOf();
    ExpectColumn(scene.light1->modelMatrix, 0, 0.0f, 0.5547f, 0.8321f);
    ExpectColumn(scene.light1->modelMatrix, 1, 1.0f, 0.0f, 0.0f);
    ExpectColumn(scene.light1->modelMatrix, 2, 0.0f, 0.8321f, -0.5547f);
    ExpectColumn(scene.light1->modelMatrix, 3, 0.0f, -60.0f, 60.0f);
    ExpectColumn(scene.light2->modelMatrix, 0, -0.7807f, 0.3904f, 0.4880f);
    ExpectColumn(scene.light2->modelMatrix, 1, 0.4472f, 0.8944f, 0.0f);
    ExpectColumn(scene.light2->modelMatrix, 2, -0.4364f, 0.2182f, -0.8729f);
    ExpectColumn(scene.light2->modelMatrix, 3, 30.0f, 0.0f, 60.0f);
    EXPECT_EQ(scene.light1->lightId, GLenum(GL_LIGHT1));
    EXPECT_EQ(scene.light2->lightId, GLenum(GL_LIGHT2));
    EXPECT_EQ(scene.shape->modelMatrix[14], 20.0f);
    EXPECT_EQ(scene.shape->shapeIndex, 0);
    EXPECT_FLOAT_EQ(scene.camera->eye.z, 150.0f);
    for (const CSpotLight* light : {scene.light1, scene.light2}) {
        const Matrix4& m = light->modelMatrix;
        EXPECT_EQ(m[3], 0.0f);
        EXPECT_EQ(m[15], 1.0f);
        // Right-handed: x cross y is z.
        const Vector3 z = Cross(Vector3(m[0], m[1], m[2]), Vector3(m[4], m[5], m[6]));
        EXPECT_NEAR(z.x, m[8], 1e-4);
        EXPECT_NEAR(z.y, m[9], 1e-4);
        EXPECT_NEAR(z.z, m[10], 1e-4);
    }
}

TEST_F(SceneAnimationTest, PausedOnlyTheCameraMoves)
{
    Scene& scene = SceneOf();
    const Matrix4 shape = scene.shape->modelMatrix;
    const Matrix4 light1 = scene.light1->modelMatrix;
    const Matrix4 light2 = scene.light2->modelMatrix;
    const float azimuth = scene.camera->azimuth;
    offscreen::SetKeyDown(platform::Key::kRight, true);
    for (int i = 0; i < 10; ++i)
        scene.Animate(0.02f, true);
    EXPECT_TRUE(SameMatrix(scene.shape->modelMatrix, shape));
    EXPECT_TRUE(SameMatrix(scene.light1->modelMatrix, light1));
    EXPECT_TRUE(SameMatrix(scene.light2->modelMatrix, light2));
    EXPECT_EQ(light2Time, 0.0f);
    EXPECT_GT(scene.camera->azimuth, azimuth);
}

TEST_F(SceneAnimationTest, OneStepTurnsTheShapeAndMovesBothLights)
{
    Scene& scene = SceneOf();
    GLfloat before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    const float dt = 0.02f;
    scene.Animate(dt, false);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(before[i], after[i]) << "the matrix stack is only borrowed";

    // The shape turns 2.4 degrees about its local (1, 0.5, 0) and stays at (0, 0, 20).
    const Matrix4& shape = scene.shape->modelMatrix;
    ExpectColumn(shape, 3, 0.0f, 0.0f, 20.0f);
    const float cosine = (shape[0] + shape[5] + shape[10] - 1.0f) / 2.0f;  // trace = 1 + 2 cos
    EXPECT_NEAR(std::acos(std::fmin(1.0f, cosine)) * 180.0f / 3.14159265f, 2.4f, 0.05f);

    // Light 1 circles the z axis by 1.8 degrees, keeping height and radius.
    const Matrix4& light1 = scene.light1->modelMatrix;
    const float angle = 1.8f * 3.14159265f / 180.0f;
    ExpectColumn(light1, 3, 60.0f * std::sin(angle), -60.0f * std::cos(angle), 60.0f);

    // Light 2 leaves its start, which is not on its path, for the path point at t = dt.
    EXPECT_FLOAT_EQ(light2Time, dt);
    ExpectColumn(scene.light2->modelMatrix, 3, 30.0f + 20.0f * std::sin(dt),
                 30.0f * std::cos(1.8f * dt), 60.0f + 15.0f * std::sin(2.8f * dt));
}

TEST_F(SceneAnimationTest, DisabledOrStillLightsStayWhereTheyAre)
{
    Scene& scene = SceneOf();
    scene.light1Enabled = 0;  // moving, but disabled
    scene.light2Enabled = 0;
    scene.rotate = 0;
    const Matrix4 shape = scene.shape->modelMatrix;
    const Matrix4 light1 = scene.light1->modelMatrix;
    const Matrix4 light2 = scene.light2->modelMatrix;
    scene.Animate(0.03f, false);
    EXPECT_TRUE(SameMatrix(scene.shape->modelMatrix, shape));
    EXPECT_TRUE(SameMatrix(scene.light1->modelMatrix, light1));
    EXPECT_TRUE(SameMatrix(scene.light2->modelMatrix, light2));
    EXPECT_EQ(light2Time, 0.0f);

    // dt = 0 turns nothing, but a moving light 2 is put on its path at the current time.
    scene.light2Enabled = 1;
    light2Time = 1.0f;
    scene.Animate(0.0f, false);
    EXPECT_EQ(light2Time, 1.0f);
    ExpectColumn(scene.light2->modelMatrix, 3, 30.0f + 20.0f * std::sin(1.0f),
                 30.0f * std::cos(1.8f), 60.0f + 15.0f * std::sin(2.8f));
    ExpectColumn(scene.light2->modelMatrix, 2, light2[8], light2[9], light2[10]);
}

TEST_F(SceneAnimationTest, ChangeShapeKeepsThePlacement)
{
    Scene& scene = SceneOf();
    scene.Animate(0.04f, false);
    const Matrix4 placed = scene.shape->modelMatrix;
    for (int expected : {1, 2, 0}) {
        scene.ChangeShape();
        EXPECT_EQ(scene.shape->shapeIndex, expected);
        EXPECT_TRUE(SameMatrix(scene.shape->modelMatrix, placed));
    }
}

TEST_F(SceneAnimationTest, ShadowDefaultFollowsTheStencilDepth)
{
    for (int bits : {0, 1, 8}) {
        g_stencilBits = bits;
        Scene scene;
        EXPECT_EQ(scene.shadow, bits == 0 ? 0 : bits == 1 ? 1 : 2) << bits;
        EXPECT_EQ(scene.camera, nullptr);
    }
    g_stencilBits = 8;
}

}  // namespace
