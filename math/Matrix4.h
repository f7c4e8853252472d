// Matrix4: sixteen floats in OpenGL's column-major order (element of row r, column c at
// index 4c + r). Columns 0-2 are an object's local x, y, z axes, 12-14 its position.
// Passed unchanged to glLoadMatrixf / glMultMatrixf and filled by glGetFloatv.
// Default construction leaves the elements unspecified; assign kIdentity before reading.
#pragma once

struct Matrix4 {
    float m[16];

    float& operator[](int i) { return m[i]; }        // 0 <= i < 16
    float operator[](int i) const { return m[i]; }
    float* Data() { return m; }
    const float* Data() const { return m; }
};

static_assert(sizeof(Matrix4) == 16 * sizeof(float), "Matrix4 must read as float[16]");
