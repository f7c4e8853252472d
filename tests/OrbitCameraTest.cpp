// OrbitCamera: the reset state, the smoothed key speeds and their exact stop, opposing keys,
// the elevation and distance limits, degenerate eye positions and the look-at view.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "math/FastSqrt.h"
#include "platform/Platform.h"
#include "scene/OrbitCamera.h"
#include "support/GLTestContext.h"

namespace {

using platform::Key;
using corvane::test::SetKeyDown;

constexpr float kMaxElevation = 0.49f * 3.1415927f;
constexpr Key kCameraKeys[] = {Key::kLeft, Key::kRight, Key::kUp,
                               Key::kDown, Key::kHome, Key::kEnd};

void ReleaseCameraKeys()
{
    for (Key key : kCameraKeys)
        SetKeyDown(key, false);
}

// The eye lies where the angles and distance put it, relative to the target.
void ExpectEyeOnSphere(const OrbitCamera& camera, float tolerance)
{
    const float c = std::cos(camera.elevation);
    EXPECT_NEAR(camera.eye.x, camera.target.x + camera.distance * c * std::cos(camera.azimuth),
                tolerance);
    EXPECT_NEAR(camera.eye.y, camera.target.y + camera.distance * c * std::sin(camera.azimuth),
                tolerance);
    EXPECT_NEAR(camera.eye.z, camera.target.z + camera.distance * std::sin(camera.elevation),
                tolerance);
}

class OrbitCameraTest : public testing::Test {
protected:
    void SetUp() override
    {
        InitFastSqrtTable();
        ReleaseCameraKeys();
        camera.Reset();
    }
    void TearDown() override { ReleaseCameraKeys(); }

    void Step(int count, float dt = 0.02f)
    {
        for (int i = 0; i < count; ++i)
            camera.UpdateFromKeys(dt);
    }

    OrbitCamera camera;
};

TEST_F(OrbitCameraTest, ResetAndIdleStep)
{
    EXPECT_EQ(camera.eye.x, 0.0f);
    EXPECT_EQ(camera.eye.y, -200.0f);
    EXPECT_EQ(camera.eye.z, 150.0f);
    EXPECT_EQ(camera.target.z, 20.0f);
    EXPECT_NEAR(camera.distance, 238.5372f, 0.005f);
    EXPECT_EQ(camera.distance, FastSqrt(56900.0f));
    EXPECT_NEAR(camera.elevation, 0.5764f, 0.0001f);
    EXPECT_NEAR(camera.azimuth, -1.5707964f, 1e-6f);
    EXPECT_EQ(camera.azimuthRate, 0.0f);
    EXPECT_EQ(camera.elevationRate, 0.0f);
    EXPECT_EQ(camera.distanceRate, 0.0f);

    // No key held: the eye stays put to the precision of the fast square root.
    camera.UpdateFromKeys(0.02f);
    EXPECT_NEAR(camera.eye.x, 0.0f, 0.01f);
    EXPECT_NEAR(camera.eye.y, -200.0f, 0.01f);
    EXPECT_NEAR(camera.eye.z, 150.0f, 0.01f);
    EXPECT_EQ(camera.azimuthRate, 0.0f);
    EXPECT_EQ(camera.elevationRate, 0.0f);
    EXPECT_EQ(camera.distanceRate, 0.0f);
}

TEST_F(OrbitCameraTest, SpeedFollowsKeyAndStopsExactly)
{
    const float startAzimuth = camera.azimuth;
    SetKeyDown(Key::kRight, true);
    camera.UpdateFromKeys(0.02f);
    EXPECT_FLOAT_EQ(camera.azimuthRate, 0.2f);
    EXPECT_NEAR(camera.azimuth - startAzimuth, 0.004f, 1e-6f);
    EXPECT_EQ(camera.elevationRate, 0.0f);
    EXPECT_EQ(camera.distanceRate, 0.0f);
    ExpectEyeOnSphere(camera, 1e-3f);

    // Released: the speed shrinks by 0.8 per step and snaps to zero below 0.01
    // (0.2 * 0.8^13 = 0.011, 0.2 * 0.8^14 = 0.0088).
    SetKeyDown(Key::kRight, false);
    float expected = 0.2f;
    for (int i = 0; i < 13; ++i) {
        camera.UpdateFromKeys(0.02f);
        expected *= 0.8f;
        EXPECT_NEAR(camera.azimuthRate, expected, 1e-5f) << "step " << i;
    }
    camera.UpdateFromKeys(0.02f);
    EXPECT_EQ(camera.azimuthRate, 0.0f);
    const float stopped = camera.azimuth;
    Step(5);
    EXPECT_EQ(camera.azimuth, stopped);

    // Held long enough, the speed approaches 1 radian per second from below.
    SetKeyDown(Key::kLeft, true);
    Step(100);
    EXPECT_NEAR(camera.azimuthRate, -1.0f, 1e-4f);
    EXPECT_GE(camera.azimuthRate, -1.0f);
}

TEST_F(OrbitCameraTest, OpposingKeysCancel)
{
    const OrbitCamera before = camera;
    for (auto pair : {std::pair{Key::kLeft, Key::kRight}, std::pair{Key::kUp, Key::kDown},
                      std::pair{Key::kHome, Key::kEnd}}) {
        SetKeyDown(pair.first, true);
        SetKeyDown(pair.second, true);
    }
    Step(20);
    EXPECT_EQ(camera.azimuthRate, 0.0f);
    EXPECT_EQ(camera.elevationRate, 0.0f);
    EXPECT_EQ(camera.distanceRate, 0.0f);
    EXPECT_EQ(camera.azimuth, before.azimuth);
    EXPECT_EQ(camera.elevation, before.elevation);
    EXPECT_EQ(camera.distance, before.distance);
}

TEST_F(OrbitCameraTest, ElevationStopsAtLimitWithSpeedKept)
{
    SetKeyDown(Key::kUp, true);
    Step(100, 0.05f);  // 5 s at up to 1 radian per second
    EXPECT_EQ(camera.elevation, kMaxElevation);
    EXPECT_GT(camera.elevationRate, 0.99f);
    ExpectEyeOnSphere(camera, 1e-3f);
    EXPECT_GT(camera.eye.z - camera.target.z, 0.99f * camera.distance);

    SetKeyDown(Key::kUp, false);
    SetKeyDown(Key::kDown, true);
    Step(200, 0.05f);
    EXPECT_EQ(camera.elevation, -kMaxElevation);
    EXPECT_LT(camera.elevationRate, -0.99f);
    EXPECT_LT(camera.eye.z, camera.target.z);
}

TEST_F(OrbitCameraTest, DistanceHasFloorButNoCeiling)
{
    SetKeyDown(Key::kHome, true);
    Step(100, 0.05f);  // up to 150 units per second for 5 s: far past the start distance
    EXPECT_EQ(camera.distance, 5.0f);
    EXPECT_LT(camera.distanceRate, -149.0f);
    const float dx = camera.eye.x - camera.target.x;
    const float dy = camera.eye.y - camera.target.y;
    const float dz = camera.eye.z - camera.target.z;
    EXPECT_NEAR(std::sqrt(dx * dx + dy * dy + dz * dz), 5.0f, 1e-4f);

    // Reversing first cancels the speed kept at the floor, then the distance only grows.
    SetKeyDown(Key::kHome, false);
    SetKeyDown(Key::kEnd, true);
    float previous = camera.distance;
    for (int i = 0; i < 200; ++i) {
        camera.UpdateFromKeys(0.05f);
        ASSERT_GE(camera.distance, previous) << "step " << i;
        previous = camera.distance;
    }
    EXPECT_GT(camera.distance, 1400.0f);  // 10 s at close to 150 units per second
    ExpectEyeOnSphere(camera, 0.05f);
}

TEST_F(OrbitCameraTest, DegenerateEyePositionsGiveFiniteAngles)
{
    // Eye on the target: no direction at all.
    camera.eye = camera.target;
    camera.ComputeAngles();
    EXPECT_EQ(camera.distance, 0.0f);
    EXPECT_EQ(camera.elevation, 0.0f);
    EXPECT_TRUE(std::isfinite(camera.azimuth));
    camera.UpdateFromKeys(0.02f);  // the distance floor moves the eye off the target
    EXPECT_EQ(camera.distance, 5.0f);
    EXPECT_TRUE(std::isfinite(camera.eye.x) && std::isfinite(camera.eye.y) &&
                std::isfinite(camera.eye.z));

    // Straight above and below, at a height whose fast root falls short of the height:
    // the sine would exceed 1 without clamping.
    const float height = 131.3f;
    ASSERT_LT(FastSqrt(height * height), height);
    camera.eye = Vector3(camera.target.x, camera.target.y, camera.target.z + height);
    camera.ComputeAngles();
    EXPECT_FLOAT_EQ(camera.elevation, 1.5707964f);
    camera.eye = Vector3(camera.target.x, camera.target.y, camera.target.z - height);
    camera.ComputeAngles();
    EXPECT_FLOAT_EQ(camera.elevation, -1.5707964f);
}

class OrbitCameraViewTest : public corvane::test::GLTest {};

TEST_F(OrbitCameraViewTest, LooksAtTargetWithZUp)
{
    InitFastSqrtTable();
    OrbitCamera camera;
    camera.Reset();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    camera.ApplyView();
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    auto transform = [&m](float x, float y, float z, float out[3]) {
        for (int r = 0; r < 3; ++r)
            out[r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r];
    };
    float eye[3], target[3], above[3];
    transform(camera.eye.x, camera.eye.y, camera.eye.z, eye);
    transform(camera.target.x, camera.target.y, camera.target.z, target);
    transform(camera.target.x, camera.target.y, camera.target.z + 10.0f, above);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(eye[i], 0.0f, 1e-3f);
    // The target lies straight ahead (eye space looks along -z) at the camera's distance.
    EXPECT_NEAR(target[0], 0.0f, 1e-3f);
    EXPECT_NEAR(target[1], 0.0f, 1e-3f);
    EXPECT_NEAR(target[2], -camera.distance, 0.01f);
    // World up appears as up on the screen, with no sideways lean.
    EXPECT_GT(above[1], 0.0f);
    EXPECT_NEAR(above[0], 0.0f, 1e-3f);
}

}  // namespace
