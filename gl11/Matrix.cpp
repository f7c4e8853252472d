// The modelview and projection stacks, the matrix calls that change them, and the two GLU
// calls that build the camera: gluPerspective and gluLookAt. Matrices are column-major,
// angles in degrees.
#include <cmath>
#include <cstring>

#include <GL/glu.h>

#include "gl11/Es.h"

namespace gl11 {

Mat4 Identity() { return Mat4{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

Mat4 Multiply(const Mat4& a, const Mat4& b)
{
    Mat4 r{};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k)
                r[4 * c + row] += a[4 * k + row] * b[4 * c + k];
    return r;
}

void Transform(const Mat4& m, const float in[4], float out[4])
{
    float r[4];
    for (int row = 0; row < 4; ++row)
        r[row] = m[row] * in[0] + m[4 + row] * in[1] + m[8 + row] * in[2] + m[12 + row] * in[3];
    std::memcpy(out, r, sizeof r);
}

// The general inverse by cofactors, in double precision; a singular matrix gives zeros.
Mat4 Inverse(const Mat4& m)
{
    double a[16], inv[16];
    for (int i = 0; i < 16; ++i)
        a[i] = m[i];
    for (int i = 0; i < 16; ++i) {
        const int row = i % 4, col = i / 4;
        // Cofactor of element (col, row), giving the transposed adjugate directly.
        double sub[9];
        int n = 0;
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r)
                if (c != row && r != col)
                    sub[n++] = a[4 * c + r];
        const double det3 = sub[0] * (sub[4] * sub[8] - sub[5] * sub[7]) -
                            sub[3] * (sub[1] * sub[8] - sub[2] * sub[7]) +
                            sub[6] * (sub[1] * sub[5] - sub[2] * sub[4]);
        inv[i] = ((row + col) % 2 ? -1.0 : 1.0) * det3;
    }
    const double det = a[0] * inv[0] + a[4] * inv[1] + a[8] * inv[2] + a[12] * inv[3];
    Mat4 r{};
    if (det != 0.0)
        for (int i = 0; i < 16; ++i)
            r[i] = float(inv[i] / det);
    return r;
}

Mat4& CurrentMatrix()
{
    return g.matrixMode == GL_MODELVIEW ? g.modelview.back() : g.projection.back();
}

namespace {

void MultCurrent(const Mat4& m) { CurrentMatrix() = Multiply(CurrentMatrix(), m); }

}  // namespace
}  // namespace gl11

using namespace gl11;

extern "C" {

void glMatrixMode(GLenum mode)
{
    assert(mode == GL_MODELVIEW || mode == GL_PROJECTION);
    g.matrixMode = mode;
}

void glPushMatrix()
{
    if (Record([] { glPushMatrix(); }))
        return;
    auto& stack = g.matrixMode == GL_MODELVIEW ? g.modelview : g.projection;
    stack.push_back(stack.back());
}

void glPopMatrix()
{
    if (Record([] { glPopMatrix(); }))
        return;
    auto& stack = g.matrixMode == GL_MODELVIEW ? g.modelview : g.projection;
    assert(stack.size() > 1);
    stack.pop_back();
}

void glLoadIdentity() { CurrentMatrix() = Identity(); }

void glLoadMatrixf(const GLfloat* m) { std::memcpy(CurrentMatrix().data(), m, sizeof(Mat4)); }

void glMultMatrixf(const GLfloat* m)
{
    Mat4 matrix;
    std::memcpy(matrix.data(), m, sizeof matrix);
    if (!Record([matrix] { MultCurrent(matrix); }))
        MultCurrent(matrix);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    if (Record([=] { glTranslatef(x, y, z); }))
        return;
    Mat4 t = Identity();
    t[12] = x, t[13] = y, t[14] = z;
    MultCurrent(t);
}

void glRotatef(GLfloat degrees, GLfloat x, GLfloat y, GLfloat z)
{
    if (Record([=] { glRotatef(degrees, x, y, z); }))
        return;
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0f)
        return;
    x /= length, y /= length, z /= length;
    const float radians = degrees * float(M_PI / 180.0);
    const float c = std::cos(radians), s = std::sin(radians), k = 1.0f - c;
    const Mat4 r{x * x * k + c,     y * x * k + z * s, x * z * k - y * s, 0,
                 x * y * k - z * s, y * y * k + c,     y * z * k + x * s, 0,
                 x * z * k + y * s, y * z * k - x * s, z * z * k + c,     0,
                 0, 0, 0, 1};
    MultCurrent(r);
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    const double f = 1.0 / std::tan(fovy * M_PI / 360.0), depth = zNear - zFar;
    Mat4 p{};
    p[0] = float(f / aspect);
    p[5] = float(f);
    p[10] = float((zFar + zNear) / depth);
    p[11] = -1.0f;
    p[14] = float(2.0 * zFar * zNear / depth);
    MultCurrent(p);
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
               GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ)
{
    const auto normalise = [](double v[3]) {
        const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (length != 0.0)
            v[0] /= length, v[1] /= length, v[2] /= length;
    };
    const auto cross = [](const double a[3], const double b[3], double r[3]) {
        r[0] = a[1] * b[2] - a[2] * b[1];
        r[1] = a[2] * b[0] - a[0] * b[2];
        r[2] = a[0] * b[1] - a[1] * b[0];
    };
    double f[3] = {centerX - eyeX, centerY - eyeY, centerZ - eyeZ};
    const double up[3] = {upX, upY, upZ};
    normalise(f);
    double s[3], u[3];
    cross(f, up, s);
    normalise(s);
    cross(s, f, u);
    Mat4 m = Identity();
    for (int i = 0; i < 3; ++i) {
        m[4 * i] = float(s[i]);
        m[4 * i + 1] = float(u[i]);
        m[4 * i + 2] = float(-f[i]);
    }
    MultCurrent(m);
    glTranslatef(float(-eyeX), float(-eyeY), float(-eyeZ));
}

}  // extern "C"
