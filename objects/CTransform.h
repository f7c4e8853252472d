// CTransform: an object's placement in the world (model matrix, column-major) and the
// affine inverse of that matrix as of the last successful Update.
#pragma once

#include "math/Constants.h"
#include "math/Matrix4.h"

class CTransform {
public:
    CTransform() = default;
    virtual ~CTransform() = default;

    // Recomputes inverseMatrix; a non-affine modelMatrix, or one whose 3 x 3 block is
    // singular, keeps the previous inverse. Sets updated either way.
    virtual void Update();

    bool updated = false;             // set by every Update, affine or not
    Matrix4 modelMatrix = kIdentity;  // object to world
    Matrix4 inverseMatrix = kIdentity;
};
