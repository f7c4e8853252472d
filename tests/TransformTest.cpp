// CTransform's affine inverse: known inverses, the product with the model matrix, the
// tolerance of the affine test and the matrices that must keep the previous inverse.
#include <gtest/gtest.h>

#include "math/Constants.h"
#include "objects/CTransform.h"

namespace {

// Column-major product a * b.
Matrix4 Multiply(const Matrix4& a, const Matrix4& b)
{
    Matrix4 p;
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a[4 * k + r] * b[4 * c + k];
            p[4 * c + r] = sum;
        }
    return p;
}

void ExpectMatrixNear(const Matrix4& actual, const Matrix4& expected, float tolerance)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual[i], expected[i], tolerance) << "element " << i;
}

}  // namespace

TEST(TransformTest, InvertsIdentityAndRigidMotion)
{
    CTransform transform;
    EXPECT_FALSE(transform.updated);
    transform.Update();
    EXPECT_TRUE(transform.updated);
    ExpectMatrixNear(transform.inverseMatrix, kIdentity, 0.0f);

    // 90 degrees about z, then moved to (10, 0, 0).
    transform.modelMatrix = Matrix4{{0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 10, 0, 0, 1}};
    transform.Update();
    const Matrix4 expected{{0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 10, 0, 1}};
    ExpectMatrixNear(transform.inverseMatrix, expected, 1e-6f);
    ExpectMatrixNear(Multiply(transform.inverseMatrix, transform.modelMatrix), kIdentity, 1e-6f);
    ExpectMatrixNear(Multiply(transform.modelMatrix, transform.inverseMatrix), kIdentity, 1e-6f);
}

TEST(TransformTest, InvertsGeneralAffineMatrix)
{
    // Non-uniform scale, shear and an arbitrary position: every cofactor matters.
    CTransform transform;
    transform.modelMatrix =
        Matrix4{{2.0f, 0.5f, -1.0f, 0, 0.25f, 3.0f, 0.75f, 0, -0.5f, 1.0f, 4.0f, 0,
                 12.0f, -7.5f, 33.0f, 1}};
    transform.Update();
    ExpectMatrixNear(Multiply(transform.inverseMatrix, transform.modelMatrix), kIdentity, 1e-5f);
    ExpectMatrixNear(Multiply(transform.modelMatrix, transform.inverseMatrix), kIdentity, 1e-5f);
    EXPECT_EQ(transform.inverseMatrix[3], 0.0f);
    EXPECT_EQ(transform.inverseMatrix[7], 0.0f);
    EXPECT_EQ(transform.inverseMatrix[11], 0.0f);
    EXPECT_EQ(transform.inverseMatrix[15], 1.0f);
}

TEST(TransformTest, AffineToleranceIsInclusive)
{
    // A bottom row off by at most 0.001 is affine; the inverse ignores it (inv15 = 1).
    CTransform transform;
    transform.modelMatrix = kIdentity;
    transform.modelMatrix[14] = 5.0f;
    transform.modelMatrix[15] = 1.0005f;
    transform.Update();
    EXPECT_FLOAT_EQ(transform.inverseMatrix[14], -5.0f);
    EXPECT_EQ(transform.inverseMatrix[15], 1.0f);

    transform.modelMatrix = kIdentity;
    transform.modelMatrix[3] = 0.001f;  // exactly at the tolerance
    transform.modelMatrix[12] = 2.0f;
    transform.Update();
    EXPECT_FLOAT_EQ(transform.inverseMatrix[12], -2.0f);
    EXPECT_EQ(transform.inverseMatrix[3], 0.0f);
}

TEST(TransformTest, NonInvertibleMatrixKeepsPreviousInverse)
{
    CTransform transform;
    transform.modelMatrix = kIdentity;
    transform.modelMatrix[3] = 0.5f;  // projective, not affine
    transform.Update();
    EXPECT_TRUE(transform.updated);
    ExpectMatrixNear(transform.inverseMatrix, kIdentity, 0.0f);

    transform.modelMatrix = kIdentity;
    transform.modelMatrix[12] = 4.0f;
    transform.Update();
    const Matrix4 previous = transform.inverseMatrix;
    EXPECT_FLOAT_EQ(previous[12], -4.0f);

    // Just beyond the tolerance on each bottom-row element.
    for (int index : {3, 7, 11, 15}) {
        transform.modelMatrix = kIdentity;
        transform.modelMatrix[index] += 0.0011f;
        transform.updated = false;
        transform.Update();
        EXPECT_TRUE(transform.updated);
        ExpectMatrixNear(transform.inverseMatrix, previous, 0.0f);
    }

    // A singular 3 x 3 block (everything flattened onto z = 0) has no inverse; the previous
    // one stays instead of filling with infinities.
    transform.modelMatrix = kIdentity;
    transform.modelMatrix[10] = 0.0f;
    transform.updated = false;
    transform.Update();
    EXPECT_TRUE(transform.updated);
    ExpectMatrixNear(transform.inverseMatrix, previous, 0.0f);
}
