// OrbitCamera: an eye on a sphere around a fixed target, steered by the arrow, Home and End
// keys. Each control drives a smoothed speed (time constant about 0.1 s) with dead zones,
// so the camera accelerates and coasts to an exact stop. World z is up.
#pragma once

#include "math/Vector3.h"

class OrbitCamera {
public:
    void Reset();
    void ComputeAngles();
    void UpdateFromKeys(float dt);  // dt in seconds, at most 0.05
    void ApplyView() const;         // multiplies the look-at transform onto the current matrix

    float azimuth;        // radians about +z from +x; not wrapped
    float elevation;      // radians above the target's xy plane; within +-0.49 pi
    float distance;       // world units; at least 5 after every update
    float azimuthRate;    // radians per second
    float elevationRate;  // radians per second
    float distanceRate;   // world units per second
    Vector3 eye;
    Vector3 target;
    Vector3 reserved;     // set to zero by Reset; read by nothing
};
