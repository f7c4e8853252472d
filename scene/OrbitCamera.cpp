// OrbitCamera: spherical coordinates of the eye about the target, smoothed key speeds with
// dead zones, the elevation and distance limits, and the look-at view with +z up.
#include "scene/OrbitCamera.h"

#include <GL/glu.h>

#include <cmath>

#include "math/Constants.h"
#include "math/FastSqrt.h"
#include "platform/Platform.h"

namespace {

constexpr float kMaxElevation = 0.49f * 3.1415927f;  // radians, about 88.2 degrees
constexpr float kMinDistance = 5.0f;                 // world units
constexpr float kAngleSpeed = 1.0f;                  // radians per second with a key held
constexpr float kZoomSpeed = 150.0f;                 // world units per second with a key held
constexpr float kResponse = 10.0f;                   // 1 / seconds: time constant 0.1 s
constexpr float kAngleDeadZone = 0.01f;              // radians per second
constexpr float kZoomDeadZone = 0.05f;               // world units per second

// -1, 0 or +1 for a pair of opposing keys; both held cancel.
float KeyAxis(platform::Key negative, platform::Key positive)
{
    float input = 0.0f;
    if (platform::IsKeyDown(negative))
        input -= 1.0f;
    if (platform::IsKeyDown(positive))
        input += 1.0f;
    return input;
}

}  // namespace

void OrbitCamera::Reset()
{
    eye = Vector3(0.0f, -200.0f, 150.0f);
    target = Vector3(0.0f, 0.0f, 20.0f);
    reserved = kZeroVector;
    ComputeAngles();
    azimuthRate = 0.0f;
    elevationRate = 0.0f;
    distanceRate = 0.0f;
}

void OrbitCamera::ComputeAngles()
{
    const float dx = eye.x - target.x;
    const float dy = eye.y - target.y;
    const float dz = eye.z - target.z;
    const float s = dx * dx + dy * dy + dz * dz;
    distance = (s == 0.0f) ? 0.0f : FastSqrt(s);
    azimuth = std::atan2(dy, dx);
    if (distance == 0.0f) {
        elevation = 0.0f;  // eye on the target: no direction, so level
        return;
    }
    // The fast root may lie just below |dz| when the eye is straight above or below the
    // target; clamping keeps asin defined there.
    const float sine = dz / distance;
    elevation = std::asin(sine > 1.0f ? 1.0f : (sine < -1.0f ? -1.0f : sine));
}

void OrbitCamera::UpdateFromKeys(float dt)
{
    using platform::Key;
    const float turn = kAngleSpeed * KeyAxis(Key::kLeft, Key::kRight);
    const float raise = kAngleSpeed * KeyAxis(Key::kDown, Key::kUp);
    const float zoom = kZoomSpeed * KeyAxis(Key::kHome, Key::kEnd);

    // k <= 0.5 for dt <= 0.05, so the blend never overshoots its input.
    const float k = kResponse * dt;
    azimuthRate = (1.0f - k) * azimuthRate + k * turn;
    elevationRate = (1.0f - k) * elevationRate + k * raise;
    distanceRate = (1.0f - k) * distanceRate + k * zoom;

    // Dead zones bring a released control to an exact stop.
    if (std::fabs(azimuthRate) < kAngleDeadZone)
        azimuthRate = 0.0f;
    if (std::fabs(elevationRate) < kAngleDeadZone)
        elevationRate = 0.0f;
    if (std::fabs(distanceRate) < kZoomDeadZone)
        distanceRate = 0.0f;

    azimuth += dt * azimuthRate;
    elevation += dt * elevationRate;
    distance += dt * distanceRate;

    // The speeds are kept at a limit, so a held key keeps pressing against it.
    if (elevation < -kMaxElevation)
        elevation = -kMaxElevation;
    if (elevation > kMaxElevation)
        elevation = kMaxElevation;
    if (distance < kMinDistance)
        distance = kMinDistance;

    const float cosElevation = std::cos(elevation);
    eye.x = target.x + distance * (cosElevation * std::cos(azimuth));
    eye.y = target.y + distance * (cosElevation * std::sin(azimuth));
    eye.z = target.z + distance * std::sin(elevation);
}

void OrbitCamera::ApplyView() const
{
    gluLookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, 0.0, 0.0, 1.0);
}
