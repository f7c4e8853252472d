// The GL 1.1 state calls: enables, attribute push and pop, depth, stencil, blending and
// the other raster state, lights, materials, texture generation, textures and the state
// queries, all answered from gl11's own state. ES hears of raster state only when a draw
// or a clear needs it (Draw.cpp).
#include <cmath>
#include <cstring>

#include "gl11/Es.h"

namespace gl11 {

EsTable es;
State g;

namespace {

constexpr GLenum kCapNames[kCapCount] = {
    GL_BLEND, GL_DEPTH_TEST, GL_STENCIL_TEST, GL_SCISSOR_TEST, GL_CULL_FACE,
    GL_POLYGON_OFFSET_FILL, GL_LIGHTING, GL_LIGHT0, GL_LIGHT1, GL_LIGHT2, GL_LIGHT3,
    GL_TEXTURE_2D, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_Q};

void SetCap(GLenum cap, bool on)
{
    const unsigned bit = 1u << CapBit(cap);
    g.a.enables = on ? g.a.enables | bit : g.a.enables & ~bit;
}

Light& LightFor(GLenum light)
{
    assert(light >= GL_LIGHT0 && light < GL_LIGHT0 + kLights);
    return g.a.lights[light - GL_LIGHT0];
}

TexGen& TexGenFor(GLenum coord)
{
    assert(coord == GL_S || coord == GL_T || coord == GL_Q);
    return g.texGen[coord == GL_S ? 0 : coord == GL_T ? 1 : 2];
}

void Copy4(float* to, const float* from) { std::memcpy(to, from, 4 * sizeof(float)); }

}  // namespace

unsigned CapBit(GLenum cap)
{
    for (unsigned i = 0; i < kCapCount; ++i)
        if (kCapNames[i] == cap)
            return i;
    assert(!"capability the program never uses");
    return kCapCount - 1;
}

bool Load(ProcLoader loader)
{
    bool complete = true;
#define GL11_LOAD(ret, name, args)                                                           \
    es.name = reinterpret_cast<ret(*) args>(loader("gl" #name));                              \
    complete = complete && es.name;
    GL11_ES_FUNCTIONS(GL11_LOAD)
#undef GL11_LOAD
    if (!complete)
        return false;
    ResetDrawing();
    g.lists.clear();
    g = State();
    g.a.lights[0].diffuse[0] = g.a.lights[0].diffuse[1] = g.a.lights[0].diffuse[2] = 1;
    Copy4(g.a.lights[0].specular, g.a.lights[0].diffuse);
    // The window's size, as GL gives the initial viewport and scissor box.
    es.GetIntegerv(GL_VIEWPORT, g.viewport);
    std::memcpy(g.a.scissor, g.viewport, sizeof g.viewport);
    return true;
}

Counters TakeCounters()
{
    const Counters taken = g.counters;
    g.counters = Counters{0, 0, 0};
    return taken;
}

bool Record(std::function<void()> command)
{
    if (!g.compiling)
        return false;
    g.compiling->commands.push_back(std::move(command));
    return true;
}

}  // namespace gl11

using namespace gl11;

extern "C" {

void glEnable(GLenum cap)
{
    if (!Record([cap] { glEnable(cap); }))
        SetCap(cap, true);
}

void glDisable(GLenum cap)
{
    if (!Record([cap] { glDisable(cap); }))
        SetCap(cap, false);
}

GLboolean glIsEnabled(GLenum cap) { return (g.a.enables >> CapBit(cap)) & 1 ? GL_TRUE : GL_FALSE; }

void glPushAttrib(GLbitfield mask)
{
    if (!Record([mask] { glPushAttrib(mask); }))
        g.attribStack.emplace_back(mask, g.a);
}

void glPopAttrib()
{
    if (Record([] { glPopAttrib(); }))
        return;
    assert(!g.attribStack.empty());
    const GLbitfield mask = g.attribStack.back().first;
    const Attributes& s = g.attribStack.back().second;
    Attributes& a = g.a;
    unsigned caps = 0;  // the enables the pushed groups restore
    if (mask & GL_ENABLE_BIT)
        caps = ~0u;
    if (mask & GL_LIGHTING_BIT) {
        caps |= ((1u << (kLights + 1)) - 1) << kLighting;
        std::memcpy(a.lights, s.lights, sizeof a.lights);
        a.material = s.material;
        Copy4(a.modelAmbient, s.modelAmbient);
        a.twoSide = s.twoSide;
    }
    if (mask & GL_DEPTH_BUFFER_BIT) {
        caps |= 1u << kDepthTest;
        a.depthFunc = s.depthFunc;
        a.depthMask = s.depthMask;
    }
    if (mask & GL_STENCIL_BUFFER_BIT) {
        caps |= 1u << kStencilTest;
        a.stencilFunc = s.stencilFunc;
        a.stencilRef = s.stencilRef;
        a.stencilValueMask = s.stencilValueMask;
        a.stencilWriteMask = s.stencilWriteMask;
        std::memcpy(a.stencilOps, s.stencilOps, sizeof a.stencilOps);
    }
    if (mask & GL_SCISSOR_BIT) {
        caps |= 1u << kScissorTest;
        std::memcpy(a.scissor, s.scissor, sizeof a.scissor);
    }
    if (mask & GL_POLYGON_BIT) {
        caps |= (1u << kCullFace) | (1u << kPolygonOffsetFill);
        a.cullFace = s.cullFace;
        a.frontFace = s.frontFace;
        a.offsetFactor = s.offsetFactor;
        a.offsetUnits = s.offsetUnits;
    }
    assert(!(mask & ~(GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_DEPTH_BUFFER_BIT |
                      GL_STENCIL_BUFFER_BIT | GL_SCISSOR_BIT | GL_POLYGON_BIT)));
    a.enables = (a.enables & ~caps) | (s.enables & caps);
    g.attribStack.pop_back();
}

void glPushClientAttrib(GLbitfield mask)
{
    assert(mask == GL_CLIENT_PIXEL_STORE_BIT);
    (void)mask;
    g.clientStack.push_back(g.packAlignment);
    g.clientStack.push_back(g.unpackAlignment);
}

void glPopClientAttrib()
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, g.clientStack.back());
    g.clientStack.pop_back();
    glPixelStorei(GL_PACK_ALIGNMENT, g.clientStack.back());
    g.clientStack.pop_back();
}

void glPixelStorei(GLenum pname, GLint param)
{
    assert(pname == GL_PACK_ALIGNMENT || pname == GL_UNPACK_ALIGNMENT);
    (pname == GL_PACK_ALIGNMENT ? g.packAlignment : g.unpackAlignment) = param;
    es.PixelStorei(pname, param);
}

void glBlendFunc(GLenum src, GLenum dst)
{
    if (!Record([=] { glBlendFunc(src, dst); }))
        g.a.blendSrc = src, g.a.blendDst = dst;
}

void glDepthFunc(GLenum func)
{
    if (!Record([=] { glDepthFunc(func); }))
        g.a.depthFunc = func;
}

void glDepthMask(GLboolean flag)
{
    if (!Record([=] { glDepthMask(flag); }))
        g.a.depthMask = flag;
}

void glStencilFunc(GLenum func, GLint ref, GLuint mask)
{
    if (!Record([=] { glStencilFunc(func, ref, mask); }))
        g.a.stencilFunc = func, g.a.stencilRef = ref, g.a.stencilValueMask = mask;
}

void glStencilOp(GLenum fail, GLenum zfail, GLenum zpass)
{
    if (!Record([=] { glStencilOp(fail, zfail, zpass); })) {
        g.a.stencilOps[0] = fail;
        g.a.stencilOps[1] = zfail;
        g.a.stencilOps[2] = zpass;
    }
}

void glStencilMask(GLuint mask)
{
    if (!Record([=] { glStencilMask(mask); }))
        g.a.stencilWriteMask = mask;
}

void glColorMask(GLboolean r, GLboolean gr, GLboolean b, GLboolean a)
{
    if (Record([=] { glColorMask(r, gr, b, a); }))
        return;
    const GLboolean mask[4] = {r, gr, b, a};
    std::memcpy(g.a.colorMask, mask, sizeof mask);
}

void glPolygonOffset(GLfloat factor, GLfloat units)
{
    if (!Record([=] { glPolygonOffset(factor, units); }))
        g.a.offsetFactor = factor, g.a.offsetUnits = units;
}

void glCullFace(GLenum mode)
{
    if (!Record([=] { glCullFace(mode); }))
        g.a.cullFace = mode;
}

void glFrontFace(GLenum mode)
{
    if (!Record([=] { glFrontFace(mode); }))
        g.a.frontFace = mode;
}

void glScissor(GLint x, GLint y, GLsizei width, GLsizei height)
{
    const GLint box[4] = {x, y, width, height};
    std::memcpy(g.a.scissor, box, sizeof box);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    const GLint box[4] = {x, y, width, height};
    std::memcpy(g.viewport, box, sizeof box);
}

void glClearColor(GLclampf r, GLclampf gr, GLclampf b, GLclampf a) { es.ClearColor(r, gr, b, a); }
void glClearDepth(GLclampd depth) { es.ClearDepthf(GLfloat(depth)); }
void glClearStencil(GLint s) { es.ClearStencil(s); }
void glFinish() { es.Finish(); }
void glFlush() { es.Flush(); }
const GLubyte* glGetString(GLenum name) { return es.GetString(name); }
void glReadBuffer(GLenum mode) { es.ReadBuffer(mode); }
void glDrawBuffer(GLenum mode) { es.DrawBuffers(1, &mode); }

void glColor3f(GLfloat r, GLfloat gr, GLfloat b)
{
    if (Record([=] { glColor3f(r, gr, b); }))
        return;
    const float color[4] = {r, gr, b, 1};
    Copy4(g.color, color);
}

void glLightfv(GLenum light, GLenum pname, const GLfloat* params)
{
    const std::array<float, 4> p{params[0], params[1], params[2],
                                 pname == GL_SPOT_DIRECTION ? 0 : params[3]};
    if (Record([=] { glLightfv(light, pname, p.data()); }))
        return;
    Light& l = LightFor(light);
    switch (pname) {
    case GL_AMBIENT: Copy4(l.ambient, params); break;
    case GL_DIFFUSE: Copy4(l.diffuse, params); break;
    case GL_SPECULAR: Copy4(l.specular, params); break;
    // Position and spot direction are kept in eye coordinates, under the modelview of now.
    case GL_POSITION: Transform(g.modelview.back(), p.data(), l.position); break;
    case GL_SPOT_DIRECTION: Transform(g.modelview.back(), p.data(), l.spotDirection); break;
    default: assert(!"light parameter the program never sets");
    }
}

void glLightf(GLenum light, GLenum pname, GLfloat param)
{
    if (Record([=] { glLightf(light, pname, param); }))
        return;
    Light& l = LightFor(light);
    switch (pname) {
    case GL_SPOT_EXPONENT: l.spotExponent = param; break;
    case GL_SPOT_CUTOFF: l.spotCutoff = param; break;
    case GL_CONSTANT_ATTENUATION: l.attenuation[0] = param; break;
    case GL_LINEAR_ATTENUATION: l.attenuation[1] = param; break;
    case GL_QUADRATIC_ATTENUATION: l.attenuation[2] = param; break;
    default: assert(!"light parameter the program never sets");
    }
}

void glLightModelfv(GLenum pname, const GLfloat* params)
{
    assert(pname == GL_LIGHT_MODEL_AMBIENT);
    const std::array<float, 4> p{params[0], params[1], params[2], params[3]};
    if (!Record([=] { glLightModelfv(pname, p.data()); }))
        Copy4(g.a.modelAmbient, params);
}

void glLightModeli(GLenum pname, GLint param)
{
    assert(pname == GL_LIGHT_MODEL_TWO_SIDE);
    if (!Record([=] { glLightModeli(pname, param); }))
        g.a.twoSide = param != 0;
}

void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params)
{
    assert(face == GL_FRONT_AND_BACK);
    const std::array<float, 4> p{params[0], params[1], params[2], params[3]};
    if (Record([=] { glMaterialfv(face, pname, p.data()); }))
        return;
    Material& m = g.a.material;
    switch (pname) {
    case GL_AMBIENT: Copy4(m.ambient, params); break;
    case GL_DIFFUSE: Copy4(m.diffuse, params); break;
    case GL_SPECULAR: Copy4(m.specular, params); break;
    case GL_EMISSION: Copy4(m.emission, params); break;
    default: assert(!"material parameter the program never sets");
    }
}

void glMaterialf(GLenum face, GLenum pname, GLfloat param)
{
    assert(face == GL_FRONT_AND_BACK && pname == GL_SHININESS);
    if (!Record([=] { glMaterialf(face, pname, param); }))
        g.a.material.shininess = param;
}

void glTexGeni(GLenum coord, GLenum pname, GLint param)
{
    assert(pname == GL_TEXTURE_GEN_MODE && (param == GL_EYE_LINEAR || param == GL_OBJECT_LINEAR));
    if (!Record([=] { glTexGeni(coord, pname, param); }))
        TexGenFor(coord).mode = param;
}

void glTexGenfv(GLenum coord, GLenum pname, const GLfloat* params)
{
    const std::array<float, 4> p{params[0], params[1], params[2], params[3]};
    if (Record([=] { glTexGenfv(coord, pname, p.data()); }))
        return;
    TexGen& t = TexGenFor(coord);
    if (pname == GL_OBJECT_PLANE) {
        Copy4(t.objectPlane, params);
        return;
    }
    assert(pname == GL_EYE_PLANE);
    // The plane times the inverse of the modelview of now: a row vector times a matrix.
    const Mat4 inverse = Inverse(g.modelview.back());
    for (int c = 0; c < 4; ++c)
        t.eyePlane[c] = p[0] * inverse[4 * c] + p[1] * inverse[4 * c + 1] +
                        p[2] * inverse[4 * c + 2] + p[3] * inverse[4 * c + 3];
}

void glGetTexGeniv(GLenum coord, GLenum pname, GLint* params)
{
    assert(pname == GL_TEXTURE_GEN_MODE);
    (void)pname;
    *params = TexGenFor(coord).mode;
}

void glGenTextures(GLsizei n, GLuint* textures) { es.GenTextures(n, textures); }

void glBindTexture(GLenum target, GLuint texture)
{
    if (Record([=] { glBindTexture(target, texture); }))
        return;
    g.boundTexture = texture;
    es.BindTexture(target, texture);
}

void glTexParameteri(GLenum target, GLenum pname, GLint param)
{
    es.TexParameteri(target, pname, param);
}

void glTexImage2D(GLenum target, GLint level, GLint components, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels)
{
    // Only 3 or 4 components with a picture make a complete texture; anything else (the
    // missing picture) leaves it incomplete, which draws as if texturing were off.
    const bool complete = (components == 3 || components == 4) && width > 0 && height > 0 &&
                          pixels && level == 0 && border == 0 && format == GL_RGBA;
    g.textureComplete[g.boundTexture] = complete;
    if (!complete)
        return;
    es.TexImage2D(target, 0, GL_RGBA8, width, height, 0, format, type, pixels);
    // RGB keeps no alpha: GL reads it as 1.
    es.TexParameteri(target, GL_TEXTURE_SWIZZLE_A, components == 3 ? GL_ONE : GL_ALPHA);
}

void glDeleteTextures(GLsizei n, const GLuint* textures)
{
    for (GLsizei i = 0; i < n; ++i)
        g.textureComplete.erase(textures[i]);
    es.DeleteTextures(n, textures);
}

void glGetBooleanv(GLenum pname, GLboolean* params)
{
    if (pname == GL_DEPTH_WRITEMASK) {
        *params = g.a.depthMask;
        return;
    }
    assert(pname == GL_COLOR_WRITEMASK);
    std::memcpy(params, g.a.colorMask, sizeof g.a.colorMask);
}

void glGetFloatv(GLenum pname, GLfloat* params)
{
    assert(pname == GL_MODELVIEW_MATRIX || pname == GL_PROJECTION_MATRIX);
    const Mat4& m = pname == GL_MODELVIEW_MATRIX ? g.modelview.back() : g.projection.back();
    std::memcpy(params, m.data(), sizeof m);
}

void glGetIntegerv(GLenum pname, GLint* params)
{
    const Attributes& a = g.a;
    switch (pname) {
    case GL_VIEWPORT: std::memcpy(params, g.viewport, sizeof g.viewport); break;
    case GL_SCISSOR_BOX: std::memcpy(params, a.scissor, sizeof a.scissor); break;
    case GL_DEPTH_FUNC: *params = GLint(a.depthFunc); break;
    case GL_STENCIL_FUNC: *params = GLint(a.stencilFunc); break;
    case GL_STENCIL_REF: *params = a.stencilRef; break;
    case GL_STENCIL_VALUE_MASK: *params = GLint(a.stencilValueMask); break;
    case GL_STENCIL_WRITEMASK: *params = GLint(a.stencilWriteMask); break;
    case GL_STENCIL_FAIL: *params = GLint(a.stencilOps[0]); break;
    case GL_STENCIL_PASS_DEPTH_FAIL: *params = GLint(a.stencilOps[1]); break;
    case GL_STENCIL_PASS_DEPTH_PASS: *params = GLint(a.stencilOps[2]); break;
    case GL_BLEND_SRC: *params = GLint(a.blendSrc); break;
    case GL_BLEND_DST: *params = GLint(a.blendDst); break;
    case GL_TEXTURE_BINDING_2D: *params = GLint(g.boundTexture); break;
    default: assert(!"query the program never makes");
    }
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                  GLvoid* pixels)
{
    assert(type == GL_UNSIGNED_BYTE && g.packAlignment == 1);
    (void)type;
    auto* out = static_cast<uint8_t*>(pixels);
    if (format == GL_STENCIL_INDEX) {
        ReadStencil(x, y, width, height, out);
        return;
    }
    // ES reads RGBA; RGB is taken from it.
    assert(format == GL_RGB || format == GL_RGBA);
    const size_t count = size_t(width) * size_t(height);
    std::vector<uint8_t> rgba(count * 4);
    es.ReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    const size_t channels = format == GL_RGB ? 3 : 4;
    for (size_t i = 0; i < count; ++i)
        std::memcpy(out + i * channels, &rgba[i * 4], channels);
}

}  // extern "C"
