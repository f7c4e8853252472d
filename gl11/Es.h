// The ES 3.0 function table, and the emulated GL 1.1 state shared by gl11's files. The
// names of the table's members are ES's without their "gl" prefix, so they never clash with
// the GL 1.1 names gl11 defines.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cassert>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "gl11/Gl11.h"

#define GL11_ES_FUNCTIONS(X)                                                                   \
    X(void, Enable, (GLenum)) X(void, Disable, (GLenum)) X(void, BlendFunc, (GLenum, GLenum))  \
    X(void, DepthFunc, (GLenum)) X(void, DepthMask, (GLboolean))                               \
    X(void, StencilFunc, (GLenum, GLint, GLuint)) X(void, StencilOp, (GLenum, GLenum, GLenum)) \
    X(void, StencilMask, (GLuint))                                                             \
    X(void, ColorMask, (GLboolean, GLboolean, GLboolean, GLboolean))                           \
    X(void, PolygonOffset, (GLfloat, GLfloat)) X(void, CullFace, (GLenum))                     \
    X(void, FrontFace, (GLenum)) X(void, Scissor, (GLint, GLint, GLsizei, GLsizei))            \
    X(void, Viewport, (GLint, GLint, GLsizei, GLsizei)) X(void, Clear, (GLbitfield))           \
    X(void, ClearColor, (GLfloat, GLfloat, GLfloat, GLfloat)) X(void, ClearDepthf, (GLfloat))  \
    X(void, ClearStencil, (GLint)) X(void, Finish, ()) X(void, Flush, ())                      \
    X(const GLubyte*, GetString, (GLenum)) X(void, GetIntegerv, (GLenum, GLint*))              \
    X(void, ReadPixels, (GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*))               \
    X(void, ReadBuffer, (GLenum)) X(void, DrawBuffers, (GLsizei, const GLenum*))               \
    X(void, PixelStorei, (GLenum, GLint)) X(void, GenTextures, (GLsizei, GLuint*))             \
    X(void, DeleteTextures, (GLsizei, const GLuint*)) X(void, BindTexture, (GLenum, GLuint))   \
    X(void, TexParameteri, (GLenum, GLenum, GLint))                                            \
    X(void, TexImage2D,                                                                        \
      (GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*))            \
    X(GLuint, CreateShader, (GLenum))                                                          \
    X(void, ShaderSource, (GLuint, GLsizei, const GLchar* const*, const GLint*))               \
    X(void, CompileShader, (GLuint)) X(GLuint, CreateProgram, ())                              \
    X(void, AttachShader, (GLuint, GLuint))                                                    \
    X(void, BindAttribLocation, (GLuint, GLuint, const GLchar*))                               \
    X(void, LinkProgram, (GLuint)) X(void, GetProgramiv, (GLuint, GLenum, GLint*))             \
    X(void, UseProgram, (GLuint)) X(GLint, GetUniformLocation, (GLuint, const GLchar*))        \
    X(void, Uniform4fv, (GLint, GLsizei, const GLfloat*))                                      \
    X(void, UniformMatrix4fv, (GLint, GLsizei, GLboolean, const GLfloat*))                     \
    X(void, GenBuffers, (GLsizei, GLuint*)) X(void, DeleteBuffers, (GLsizei, const GLuint*))   \
    X(void, BindBuffer, (GLenum, GLuint))                                                      \
    X(void, BufferData, (GLenum, GLsizeiptr, const void*, GLenum))                             \
    X(void, GenVertexArrays, (GLsizei, GLuint*))                                               \
    X(void, DeleteVertexArrays, (GLsizei, const GLuint*)) X(void, BindVertexArray, (GLuint))   \
    X(void, VertexAttribPointer, (GLuint, GLint, GLenum, GLboolean, GLsizei, const void*))     \
    X(void, EnableVertexAttribArray, (GLuint)) X(void, DrawArrays, (GLenum, GLint, GLsizei))

namespace gl11 {

struct EsTable {
#define GL11_MEMBER(ret, name, args) ret(*name) args;
    GL11_ES_FUNCTIONS(GL11_MEMBER)
#undef GL11_MEMBER
};
extern EsTable es;

using Mat4 = std::array<float, 16>;  // column-major, as GL stores it
Mat4 Identity();
Mat4 Multiply(const Mat4& a, const Mat4& b);  // a * b
Mat4 Inverse(const Mat4& m);
void Transform(const Mat4& m, const float in[4], float out[4]);  // out = m * in

// The enables gl11 tracks, one bit each; the first six are ES's own capabilities.
enum Cap : unsigned {
    kBlend, kDepthTest, kStencilTest, kScissorTest, kCullFace, kPolygonOffsetFill,
    kLighting, kLight0, kTexture2D = kLight0 + 4, kTexGenS, kTexGenT, kTexGenQ, kCapCount
};
constexpr int kLights = 4;

struct Light {
    float ambient[4] = {0, 0, 0, 1}, diffuse[4] = {0, 0, 0, 1}, specular[4] = {0, 0, 0, 1};
    float position[4] = {0, 0, 1, 0};      // eye coordinates, as set
    float spotDirection[4] = {0, 0, -1, 0}; // eye coordinates, as set
    float spotExponent = 0, spotCutoff = 180;  // degrees; 180 is no spot
    float attenuation[4] = {1, 0, 0, 0};   // constant, linear, quadratic
};

struct Material {
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1}, diffuse[4] = {0.8f, 0.8f, 0.8f, 1};
    float specular[4] = {0, 0, 0, 1}, emission[4] = {0, 0, 0, 1};
    float shininess = 0;
};

// What glPushAttrib saves, grouped by the bits that restore it.
struct Attributes {
    unsigned enables = 0;  // a bit per Cap
    // GL_LIGHTING_BIT
    Light lights[kLights];
    Material material;
    float modelAmbient[4] = {0.2f, 0.2f, 0.2f, 1};
    bool twoSide = false;
    // GL_DEPTH_BUFFER_BIT
    GLenum depthFunc = GL_LESS;
    GLboolean depthMask = GL_TRUE;
    // GL_STENCIL_BUFFER_BIT
    GLenum stencilFunc = GL_ALWAYS;
    GLint stencilRef = 0;
    GLuint stencilValueMask = ~0u, stencilWriteMask = ~0u;
    GLenum stencilOps[3] = {GL_KEEP, GL_KEEP, GL_KEEP};
    // GL_SCISSOR_BIT
    GLint scissor[4] = {0, 0, 0, 0};
    // GL_POLYGON_BIT
    GLenum cullFace = GL_BACK, frontFace = GL_CCW;
    float offsetFactor = 0, offsetUnits = 0;
    // GL_COLOR_BUFFER_BIT (never pushed by the program, kept here with the ES state)
    GLenum blendSrc = GL_ONE, blendDst = GL_ZERO;
    GLboolean colorMask[4] = {GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE};
};

struct TexGen {
    GLint mode = GL_EYE_LINEAR;
    float objectPlane[4] = {0, 0, 0, 0}, eyePlane[4] = {0, 0, 0, 0};
};

// One display list: its vertices in one static buffer, and what it does, in order.
struct ListDraw {
    GLenum mode;
    GLint first;
    GLsizei count;
};
struct List {
    std::vector<float> vertices;  // while compiling; freed once uploaded
    GLuint buffer = 0, vertexArray = 0;
    std::vector<std::function<void()>> commands;
    std::vector<ListDraw> draws;
    size_t lastDraw = ~size_t(0);  // the command that draws draws.back()
};

struct State {
    Attributes a;
    std::vector<std::pair<GLbitfield, Attributes>> attribStack;
    std::vector<Mat4> modelview{Identity()}, projection{Identity()};
    GLenum matrixMode = GL_MODELVIEW;
    GLint viewport[4] = {0, 0, 0, 0};
    TexGen texGen[3];  // S, T, Q
    float color[4] = {1, 1, 1, 1};
    float normal[3] = {0, 0, 1}, texCoord[2] = {0, 0};
    GLuint boundTexture = 0;
    std::unordered_map<GLuint, bool> textureComplete;  // by name; absent: never given level 0
    GLint packAlignment = 4, unpackAlignment = 4;
    std::vector<GLint> clientStack;
    // Display lists.
    std::map<GLuint, std::unique_ptr<List>> lists;
    GLuint nextList = 1;
    List* compiling = nullptr;
    // Immediate mode.
    GLenum primitive = 0;  // 0 outside glBegin/glEnd
    std::vector<float> vertices;
    Counters counters{0, 0, 0};
};
extern State g;

Mat4& CurrentMatrix();
unsigned CapBit(GLenum cap);  // asserts on a capability the program never uses

// Inside glNewList, the call is recorded instead of executed: true when it was.
bool Record(std::function<void()> command);

// Draws count vertices of the bound vertex array from first, with the state in effect.
void Draw(GLenum mode, GLuint vertexArray, GLint first, GLsizei count);
void ResetDrawing();  // forgets ES objects and programs: a new context
void ReadStencil(GLint x, GLint y, GLsizei width, GLsizei height, uint8_t* out);

// The vertex shader and fragment shader for a state key (see Draw.cpp).
void ShaderSources(uint32_t key, std::string* vertex, std::string* fragment);

}  // namespace gl11
