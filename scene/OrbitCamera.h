// OrbitCamera: an eye on a sphere around a fixed target, steered by the arrow, Home and End
// keys. Each control drives a smoothed speed (time constant about 0.1 s) with dead zones,
// so the camera accelerates and coasts to an exact stop. World z is up.
#pragma once

#include "math/Constants.h"
#include "math/Vector3.h"

class OrbitCamera {
public:
    void Reset();
    void ComputeAngles();
    void UpdateFromKeys(float dt);  // dt in seconds, at most 0.05
    void ApplyView() const;         // multiplies the look-at transform onto the current matrix

    // Zero until Reset gives them their working values.
    float azimuth = 0.0f;        // radians about +z from +x; not wrapped
    float elevation = 0.0f;      // radians above the target's xy plane; within +-0.49 pi
    float distance = 0.0f;       // world units; at least 5 after every update
    float azimuthRate = 0.0f;    // radians per second
    float elevationRate = 0.0f;  // radians per second
    float distanceRate = 0.0f;   // world units per second
    Vector3 eye = kZeroVector;
    Vector3 target = kZeroVector;
    Vector3 reserved = kZeroVector;  // set to zero by Reset; read by nothing
};
