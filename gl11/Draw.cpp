// Drawing: glBegin/glEnd into one streaming buffer, display lists as static buffers with
// their recorded calls, the raster state handed to ES only where it changed, and one
// program per state key with its uniforms uploaded only where they changed.
#include <cmath>
#include <cstring>
#include <string>

#include "gl11/Es.h"

namespace gl11 {
namespace {

constexpr int kFloatsPerVertex = 8;  // position 3, normal 3, texture coordinates 2

// The uniforms every program may use, each a run of vec4s (a mat4 is four).
struct UniformInfo {
    const char* name;
    int vec4s;
    bool matrix;
};
constexpr UniformInfo kUniforms[] = {
    {"uModelview", 4, true}, {"uProjection", 4, true}, {"uNormalMatrix", 4, true},
    {"uColor", 1, false}, {"uBase", 1, false}, {"uLightA", kLights, false},
    {"uLightD", kLights, false}, {"uLightS", kLights, false},
    {"uLightPosition", kLights, false}, {"uSpotDirection", kLights, false},
    {"uLightParams", kLights, false}, {"uAttenuation", kLights, false},
    {"uObjectPlane", 3, false}, {"uEyePlane", 3, false}};
constexpr int kUniformCount = int(sizeof kUniforms / sizeof kUniforms[0]);
enum : int { uModelview, uProjection, uNormalMatrix, uColor, uBase, uLightA, uLightD, uLightS,
             uLightPosition, uSpotDirection, uLightParams, uAttenuation, uObjectPlane,
             uEyePlane };

struct Program {
    GLuint id = 0;
    GLint locations[kUniformCount];
    std::vector<float> uploaded;  // the values last given to each uniform, in table order
};

struct Drawing {
    std::unordered_map<uint32_t, Program> programs;
    Program* current = nullptr;
    Attributes applied;  // the raster state ES has; meaningless while !appliedValid
    GLint appliedViewport[4] = {0, 0, 0, 0};
    bool appliedValid = false;
    GLuint vertexArray = 0;  // bound
    GLuint streamArray = 0, streamBuffer = 0;
    GLuint stencilProgram = 0;  // ReadStencil's
    int offsets[kUniformCount + 1] = {};  // floats, into the values of one draw
};
Drawing d;

GLuint Compile(const std::string& vertex, const std::string& fragment)
{
    const GLuint program = es.CreateProgram();
    const std::string* sources[2] = {&vertex, &fragment};
    const GLenum types[2] = {GL_VERTEX_SHADER, GL_FRAGMENT_SHADER};
    for (int i = 0; i < 2; ++i) {
        const GLuint shader = es.CreateShader(types[i]);
        const char* text = sources[i]->c_str();
        es.ShaderSource(shader, 1, &text, nullptr);
        es.CompileShader(shader);
        es.AttachShader(program, shader);
    }
    es.BindAttribLocation(program, 0, "aPosition");
    es.BindAttribLocation(program, 1, "aNormal");
    es.BindAttribLocation(program, 2, "aTexCoord");
    es.LinkProgram(program);
    GLint linked = 0;
    es.GetProgramiv(program, GL_LINK_STATUS, &linked);
    assert(linked);
    ++g.counters.compiles;
    return program;
}

// The state in use, reduced to the switches the shaders depend on.
uint32_t StateKey()
{
    const Attributes& a = g.a;
    uint32_t key = 0;
    if (a.enables & (1u << kLighting)) {
        key |= 1u;
        for (int i = 0; i < kLights; ++i) {
            if (!(a.enables & (1u << (kLight0 + i))))
                continue;
            key |= 1u << (1 + i);
            if (a.lights[i].spotCutoff != 180.0f)
                key |= 1u << (5 + i);
            if (a.lights[i].position[3] != 0.0f)
                key |= 1u << (9 + i);
        }
        if (a.twoSide)
            key |= 1u << 13;
    }
    const auto found = g.textureComplete.find(g.boundTexture);
    if ((a.enables & (1u << kTexture2D)) && found != g.textureComplete.end() && found->second) {
        key |= 1u << 14;
        for (int c = 0; c < 3; ++c) {
            if (!(a.enables & (1u << (kTexGenS + c))))
                continue;
            key |= 1u << (15 + c);
            if (g.texGen[c].mode == GL_OBJECT_LINEAR)
                key |= 1u << (18 + c);
        }
    }
    return key;
}

Program& ProgramFor(uint32_t key)
{
    Program& p = d.programs[key];
    if (p.id)
        return p;
    std::string vertex, fragment;
    ShaderSources(key, &vertex, &fragment);
    p.id = Compile(vertex, fragment);
    for (int u = 0; u < kUniformCount; ++u)
        p.locations[u] = es.GetUniformLocation(p.id, kUniforms[u].name);
    p.uploaded.assign(size_t(d.offsets[kUniformCount]), NAN);  // NaN: never equal
    return p;
}

// The values of every uniform for the state in effect, in table order.
void UniformValues(float* v)
{
    const Attributes& a = g.a;
    const Mat4& modelview = g.modelview.back();
    std::memcpy(v + d.offsets[uModelview], modelview.data(), sizeof(Mat4));
    std::memcpy(v + d.offsets[uProjection], g.projection.back().data(), sizeof(Mat4));
    const Mat4 inverse = Inverse(modelview);  // transposed: the normals' matrix
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            v[d.offsets[uNormalMatrix] + 4 * c + r] = inverse[4 * r + c];
    std::memcpy(v + d.offsets[uColor], g.color, 4 * sizeof(float));
    const Material& m = a.material;
    float* base = v + d.offsets[uBase];
    for (int c = 0; c < 3; ++c)
        base[c] = m.emission[c] + m.ambient[c] * a.modelAmbient[c];
    base[3] = m.diffuse[3];
    for (int i = 0; i < kLights; ++i) {
        const Light& l = a.lights[i];
        for (int c = 0; c < 4; ++c) {
            v[d.offsets[uLightA] + 4 * i + c] = l.ambient[c] * m.ambient[c];
            v[d.offsets[uLightD] + 4 * i + c] = l.diffuse[c] * m.diffuse[c];
            v[d.offsets[uLightS] + 4 * i + c] = l.specular[c] * m.specular[c];
            v[d.offsets[uLightPosition] + 4 * i + c] = l.position[c];
            v[d.offsets[uAttenuation] + 4 * i + c] = l.attenuation[c];
        }
        const float* s = l.spotDirection;
        const float length = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
        for (int c = 0; c < 4; ++c)
            v[d.offsets[uSpotDirection] + 4 * i + c] = length > 0 ? s[c] / length : 0;
        const float params[4] = {l.spotExponent,
                                 std::cos(l.spotCutoff * float(M_PI / 180.0)), m.shininess, 0};
        std::memcpy(v + d.offsets[uLightParams] + 4 * i, params, sizeof params);
    }
    for (int c = 0; c < 3; ++c) {
        std::memcpy(v + d.offsets[uObjectPlane] + 4 * c, g.texGen[c].objectPlane, 16);
        std::memcpy(v + d.offsets[uEyePlane] + 4 * c, g.texGen[c].eyePlane, 16);
    }
}

void UploadUniforms(Program& p)
{
    std::vector<float>& values = p.uploaded;
    float now[256];
    assert(d.offsets[kUniformCount] <= 256);
    UniformValues(now);
    for (int u = 0; u < kUniformCount; ++u) {
        const int at = d.offsets[u], n = 4 * kUniforms[u].vec4s;
        if (p.locations[u] < 0 || !std::memcmp(&values[size_t(at)], now + at, n * sizeof(float)))
            continue;
        std::memcpy(&values[size_t(at)], now + at, n * sizeof(float));
        if (kUniforms[u].matrix)
            es.UniformMatrix4fv(p.locations[u], 1, GL_FALSE, now + at);
        else
            es.Uniform4fv(p.locations[u], kUniforms[u].vec4s, now + at);
    }
}

// Gives ES the raster state where it differs from what ES has.
void ApplyRaster()
{
    const Attributes& a = g.a;
    Attributes& e = d.applied;
    const bool all = !d.appliedValid;
    d.appliedValid = true;
    for (unsigned cap = 0; cap < kLighting; ++cap) {
        const unsigned bit = 1u << cap;
        static constexpr GLenum kEsNames[] = {GL_BLEND, GL_DEPTH_TEST, GL_STENCIL_TEST,
                                              GL_SCISSOR_TEST, GL_CULL_FACE,
                                              GL_POLYGON_OFFSET_FILL};
        if (all || ((a.enables ^ e.enables) & bit))
            (a.enables & bit ? es.Enable : es.Disable)(kEsNames[cap]);
    }
    e.enables = a.enables;
    if (all || a.blendSrc != e.blendSrc || a.blendDst != e.blendDst)
        es.BlendFunc(e.blendSrc = a.blendSrc, e.blendDst = a.blendDst);
    if (all || a.depthFunc != e.depthFunc)
        es.DepthFunc(e.depthFunc = a.depthFunc);
    if (all || a.depthMask != e.depthMask)
        es.DepthMask(e.depthMask = a.depthMask);
    if (all || a.stencilFunc != e.stencilFunc || a.stencilRef != e.stencilRef ||
        a.stencilValueMask != e.stencilValueMask)
        es.StencilFunc(e.stencilFunc = a.stencilFunc, e.stencilRef = a.stencilRef,
                       e.stencilValueMask = a.stencilValueMask);
    if (all || std::memcmp(a.stencilOps, e.stencilOps, sizeof a.stencilOps)) {
        std::memcpy(e.stencilOps, a.stencilOps, sizeof a.stencilOps);
        es.StencilOp(a.stencilOps[0], a.stencilOps[1], a.stencilOps[2]);
    }
    if (all || a.stencilWriteMask != e.stencilWriteMask)
        es.StencilMask(e.stencilWriteMask = a.stencilWriteMask);
    if (all || std::memcmp(a.colorMask, e.colorMask, sizeof a.colorMask)) {
        std::memcpy(e.colorMask, a.colorMask, sizeof a.colorMask);
        es.ColorMask(a.colorMask[0], a.colorMask[1], a.colorMask[2], a.colorMask[3]);
    }
    if (all || a.offsetFactor != e.offsetFactor || a.offsetUnits != e.offsetUnits)
        es.PolygonOffset(e.offsetFactor = a.offsetFactor, e.offsetUnits = a.offsetUnits);
    if (all || a.cullFace != e.cullFace)
        es.CullFace(e.cullFace = a.cullFace);
    if (all || a.frontFace != e.frontFace)
        es.FrontFace(e.frontFace = a.frontFace);
    if (all || std::memcmp(a.scissor, e.scissor, sizeof a.scissor)) {
        std::memcpy(e.scissor, a.scissor, sizeof a.scissor);
        es.Scissor(a.scissor[0], a.scissor[1], a.scissor[2], a.scissor[3]);
    }
    if (all || std::memcmp(g.viewport, d.appliedViewport, sizeof g.viewport)) {
        std::memcpy(d.appliedViewport, g.viewport, sizeof g.viewport);
        es.Viewport(g.viewport[0], g.viewport[1], g.viewport[2], g.viewport[3]);
    }
}

void BindVertexArray(GLuint vertexArray)
{
    if (d.vertexArray != vertexArray)
        es.BindVertexArray(d.vertexArray = vertexArray);
}

// A vertex array over one buffer of interleaved vertices (position, normal, coordinates).
void MakeVertexArray(GLuint* vertexArray, GLuint* buffer)
{
    es.GenVertexArrays(1, vertexArray);
    es.GenBuffers(1, buffer);
    BindVertexArray(*vertexArray);
    es.BindBuffer(GL_ARRAY_BUFFER, *buffer);
    const int sizes[3] = {3, 3, 2};
    for (GLuint i = 0, offset = 0; i < 3; offset += sizes[i++]) {
        es.EnableVertexAttribArray(i);
        es.VertexAttribPointer(i, sizes[i], GL_FLOAT, GL_FALSE, kFloatsPerVertex * 4,
                               reinterpret_cast<const void*>(uintptr_t(offset * 4)));
    }
}

void Upload(GLuint vertexArray, GLuint buffer, const std::vector<float>& vertices, GLenum use)
{
    BindVertexArray(vertexArray);
    es.BindBuffer(GL_ARRAY_BUFFER, buffer);
    es.BufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(float)),
                  vertices.data(), use);
    ++g.counters.uploads;
}

// The one primitive the program uses that ES lacks: a quad strip is a triangle strip over the
// same vertices.
GLenum EsPrimitive(GLenum mode)
{
    assert(mode == GL_QUAD_STRIP || mode == GL_TRIANGLE_STRIP || mode == GL_TRIANGLE_FAN);
    return mode == GL_QUAD_STRIP ? GL_TRIANGLE_STRIP : mode;
}

}  // namespace

void ResetDrawing()
{
    d = Drawing();
    for (int u = 0; u < kUniformCount; ++u)
        d.offsets[u + 1] = d.offsets[u] + 4 * kUniforms[u].vec4s;
}

void Draw(GLenum mode, GLuint vertexArray, GLint first, GLsizei count)
{
    ApplyRaster();
    Program& program = ProgramFor(StateKey());
    if (d.current != &program)
        es.UseProgram((d.current = &program)->id);
    UploadUniforms(program);
    BindVertexArray(vertexArray);
    es.DrawArrays(mode, first, count);
    ++g.counters.draws;
}

// Stencil values cannot be read in ES: each bit is drawn into the colour buffer as its own
// value where the stencil test finds it set, read back as red, and the colour put back.
void ReadStencil(GLint x, GLint y, GLsizei width, GLsizei height, uint8_t* out)
{
    static const char* kVertex =
        "#version 300 es\nin vec2 aPosition;\nout vec2 vTexCoord;\n"
        "void main() { vTexCoord = aPosition * 0.5 + 0.5; gl_Position = vec4(aPosition, 0, 1); }\n";
    static const char* kFragment =
        "#version 300 es\nprecision highp float;\nuniform sampler2D uTexture;\n"
        "uniform vec4 uColor;\nin vec2 vTexCoord;\nout vec4 fragColor;\n"
        "void main() { fragColor = uColor.a < 0.0 ? texture(uTexture, vTexCoord) : uColor; }\n";
    const size_t count = size_t(width) * size_t(height);
    std::vector<uint8_t> colour(count * 4), bits(count * 4);
    es.ReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, colour.data());

    if (!d.stencilProgram)
        d.stencilProgram = Compile(kVertex, kFragment);
    const GLint colourAt = es.GetUniformLocation(d.stencilProgram, "uColor");
    es.UseProgram(d.stencilProgram);
    GLuint quadArray = 0, quadBuffer = 0, texture = 0;
    es.GenVertexArrays(1, &quadArray);
    es.GenBuffers(1, &quadBuffer);
    es.BindVertexArray(quadArray);
    es.BindBuffer(GL_ARRAY_BUFFER, quadBuffer);
    const float quad[8] = {-1, -1, 1, -1, -1, 1, 1, 1};
    es.BufferData(GL_ARRAY_BUFFER, sizeof quad, quad, GL_STATIC_DRAW);
    es.EnableVertexAttribArray(0);
    es.VertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    es.Viewport(x, y, width, height);
    for (GLenum cap : {GL_DEPTH_TEST, GL_SCISSOR_TEST, GL_CULL_FACE, GL_POLYGON_OFFSET_FILL})
        es.Disable(cap);
    es.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    es.ClearColor(0, 0, 0, 0);
    es.Clear(GL_COLOR_BUFFER_BIT);
    es.Enable(GL_STENCIL_TEST);
    es.StencilMask(0);
    es.StencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    es.Enable(GL_BLEND);
    es.BlendFunc(GL_ONE, GL_ONE);
    for (int bit = 0; bit < 8; ++bit) {
        es.StencilFunc(GL_EQUAL, 1 << bit, 1u << bit);
        const float value[4] = {float(1 << bit) / 255.0f, 0, 0, 0};
        es.Uniform4fv(colourAt, 1, value);
        es.DrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    }
    es.ReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bits.data());
    for (size_t i = 0; i < count; ++i)
        out[i] = bits[4 * i];

    // The colour back, texel for pixel.
    es.Disable(GL_STENCIL_TEST);
    es.Disable(GL_BLEND);
    es.GenTextures(1, &texture);
    es.BindTexture(GL_TEXTURE_2D, texture);
    es.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    es.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    es.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    es.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                  colour.data());
    const float textured[4] = {0, 0, 0, -1};
    es.Uniform4fv(colourAt, 1, textured);
    es.DrawArrays(GL_TRIANGLE_STRIP, 0, 4);

    es.DeleteTextures(1, &texture);
    es.DeleteBuffers(1, &quadBuffer);
    es.DeleteVertexArrays(1, &quadArray);
    es.PixelStorei(GL_UNPACK_ALIGNMENT, g.unpackAlignment);
    es.BindTexture(GL_TEXTURE_2D, g.boundTexture);
    es.UseProgram(d.current ? d.current->id : 0);
    es.BindVertexArray(d.vertexArray);
    d.appliedValid = false;  // everything is given again at the next draw
}

}  // namespace gl11

using namespace gl11;

extern "C" {

void glClear(GLbitfield mask)
{
    ApplyRaster();
    es.Clear(mask);
}

void glBegin(GLenum mode)
{
    assert(!g.primitive);
    g.primitive = mode;
    g.vertices.clear();
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    if (!g.primitive && Record([=] { glNormal3f(x, y, z); }))
        return;
    g.normal[0] = x, g.normal[1] = y, g.normal[2] = z;
}

void glTexCoord2f(GLfloat s, GLfloat t)
{
    if (!g.primitive && Record([=] { glTexCoord2f(s, t); }))
        return;
    g.texCoord[0] = s, g.texCoord[1] = t;
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    assert(g.primitive);
    const float v[kFloatsPerVertex] = {x, y, z, g.normal[0], g.normal[1], g.normal[2],
                                       g.texCoord[0], g.texCoord[1]};
    g.vertices.insert(g.vertices.end(), v, v + kFloatsPerVertex);
}

void glEnd()
{
    assert(g.primitive);
    const GLenum mode = EsPrimitive(g.primitive);
    g.primitive = 0;
    const GLsizei count = GLsizei(g.vertices.size() / kFloatsPerVertex);
    if (count == 0)
        return;
    if (List* list = g.compiling) {
        std::vector<float>& v = list->vertices;
        const GLint first = GLint(v.size() / kFloatsPerVertex);
        if (mode == GL_TRIANGLE_STRIP && !list->draws.empty() &&
            list->lastDraw + 1 == list->commands.size() &&
            list->draws.back().mode == GL_TRIANGLE_STRIP) {
            // Strips drawn one after the other become one draw, joined by triangles of no
            // area: the last vertex repeated (twice after an odd count, keeping the
            // winding), then the next strip's first.
            ListDraw& last = list->draws.back();
            const int repeats = last.count % 2 ? 2 : 1;
            const std::vector<float> end(v.end() - kFloatsPerVertex, v.end());
            for (int i = 0; i < repeats; ++i)
                v.insert(v.end(), end.begin(), end.end());
            v.insert(v.end(), g.vertices.begin(), g.vertices.begin() + kFloatsPerVertex);
            v.insert(v.end(), g.vertices.begin(), g.vertices.end());
            last.count = GLsizei(v.size() / kFloatsPerVertex) - last.first;
            return;
        }
        v.insert(v.end(), g.vertices.begin(), g.vertices.end());
        list->draws.push_back(ListDraw{mode, first, count});
        list->lastDraw = list->commands.size();
        list->commands.push_back([list, index = list->draws.size() - 1] {
            const ListDraw& draw = list->draws[index];
            Draw(draw.mode, list->vertexArray, draw.first, draw.count);
        });
        return;
    }
    if (!d.streamArray)
        MakeVertexArray(&d.streamArray, &d.streamBuffer);
    Upload(d.streamArray, d.streamBuffer, g.vertices, GL_STREAM_DRAW);
    Draw(mode, d.streamArray, 0, count);
}

GLuint glGenLists(GLsizei range)
{
    assert(range == 1);
    (void)range;
    return g.nextList++;
}

void glNewList(GLuint list, GLenum mode)
{
    assert(!g.compiling && mode == GL_COMPILE);
    (void)mode;
    g.compiling = (g.lists[list] = std::make_unique<List>()).get();
}

void glEndList()
{
    List* list = g.compiling;
    assert(list);
    g.compiling = nullptr;
    if (list->vertices.empty())
        return;
    MakeVertexArray(&list->vertexArray, &list->buffer);
    Upload(list->vertexArray, list->buffer, list->vertices, GL_STATIC_DRAW);
    std::vector<float>().swap(list->vertices);
}

void glDeleteLists(GLuint list, GLsizei range)
{
    for (GLuint name = list; name < list + GLuint(range); ++name) {
        const auto found = g.lists.find(name);
        if (found == g.lists.end())
            continue;
        if (found->second->vertexArray == d.vertexArray)
            d.vertexArray = 0;
        es.DeleteVertexArrays(1, &found->second->vertexArray);
        es.DeleteBuffers(1, &found->second->buffer);
        g.lists.erase(found);
    }
}

void glCallList(GLuint list)
{
    assert(!g.compiling);  // a list inside a list: never made by the program
    const auto found = g.lists.find(list);
    if (found == g.lists.end())
        return;
    for (const auto& command : found->second->commands)
        command();
}

}  // extern "C"
