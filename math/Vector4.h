// Vector4: four floats, used as an RGBA colour (each channel 0..1) and handed to
// glMaterialfv / glLightfv as a float[4].
#pragma once

struct Vector4 {
    float v[4];

    float& operator[](int i) { return v[i]; }        // 0 <= i < 4
    float operator[](int i) const { return v[i]; }
    const float* Data() const { return v; }
};

static_assert(sizeof(Vector4) == 4 * sizeof(float), "Vector4 must read as float[4]");
