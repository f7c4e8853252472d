// CTransform: the affine inverse of the model matrix. Only affine matrices (bottom row
// 0, 0, 0, 1 within 0.001) with a non-singular 3 x 3 block are inverted; any other matrix
// keeps the previous inverse, so the inverse never fills with infinities or NaN.
#include "objects/CTransform.h"

#include <cmath>

namespace {

constexpr float kAffineTolerance = 0.001f;  // largest deviation of the bottom row still affine

}  // namespace

void CTransform::Update()
{
    const float* m = modelMatrix.m;
    if (std::fabs(m[15] - 1.0f) > kAffineTolerance || std::fabs(m[3]) > kAffineTolerance ||
        std::fabs(m[7]) > kAffineTolerance || std::fabs(m[11]) > kAffineTolerance) {
        updated = true;
        return;
    }

    // Cofactors of the first row of the upper-left 3 x 3 block.
    const float c0 = m[5] * m[10] - m[6] * m[9];
    const float c1 = m[4] * m[10] - m[6] * m[8];
    const float c2 = m[4] * m[9] - m[5] * m[8];
    const float det = m[0] * c0 - m[1] * c1 + m[2] * c2;
    const float r = 1.0f / det;
    // A singular (or so nearly singular that 1/det overflows) block has no inverse.
    if (!std::isfinite(r)) {
        updated = true;
        return;
    }

    float* inv = inverseMatrix.m;
    inv[0] = c0 * r;
    inv[1] = -(m[1] * m[10] - m[2] * m[9]) * r;
    inv[2] = (m[1] * m[6] - m[2] * m[5]) * r;
    inv[4] = -c1 * r;
    inv[5] = (m[0] * m[10] - m[2] * m[8]) * r;
    inv[6] = -(m[0] * m[6] - m[2] * m[4]) * r;
    inv[8] = c2 * r;
    inv[9] = -(m[0] * m[9] - m[1] * m[8]) * r;
    inv[10] = (m[0] * m[5] - m[1] * m[4]) * r;
    inv[3] = inv[7] = inv[11] = 0.0f;
    inv[15] = 1.0f;
    inv[12] = -(inv[0] * m[12] + inv[4] * m[13] + inv[8] * m[14]);
    inv[13] = -(inv[1] * m[12] + inv[5] * m[13] + inv[9] * m[14]);
    inv[14] = -(inv[2] * m[12] + inv[6] * m[13] + inv[10] * m[14]);
    updated = true;
}
