// Helpers for the scene-object tests: an orthographic view in which window coordinates map
// straight back to object coordinates, GL feedback capture of the triangles a draw emits,
// and small solid-colour BMP files for textures.
#pragma once

#include <GL/gl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "texture/Texture.h"

namespace corvane::test {

// The object view: a 256 x 256 viewport showing x and y from -64 to 64 (2 pixels per world
// unit) and z from -100 (far) to +100 (near), looking down -z.
constexpr int kViewSize = 256;
constexpr float kViewHalfWidth = 64.0f;
constexpr float kViewHalfDepth = 100.0f;

inline void LoadObjectView()
{
    glViewport(0, 0, kViewSize, kViewSize);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-kViewHalfWidth, kViewHalfWidth, -kViewHalfWidth, kViewHalfWidth, -kViewHalfDepth,
            kViewHalfDepth);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// Window pixel of an object point under the object view (identity modelview).
inline int PixelOf(float objectCoordinate)
{
    const float pixelsPerUnit = kViewSize / (2 * kViewHalfWidth);
    return static_cast<int>((objectCoordinate + kViewHalfWidth) * pixelsPerUnit);
}

// Window depth (0 near .. 1 far) of an object z under the object view.
inline float DepthOf(float z) { return 0.5f * (1.0f - z / kViewHalfDepth); }

struct FeedbackVertex {
    float x, y, z;   // object coordinates under the object view
    float color[4];  // lit RGBA
    float tex[4];    // s, t, r, q
};
using FeedbackPolygon = std::vector<FeedbackVertex>;

// Runs `draw` in feedback mode and returns the polygons that survived clipping and culling,
// each as its vertices in the order GL reports them; polygons of zero area are dropped,
// since Mesa joins the strips of a display list with degenerate triangles that draw
// nothing. Other primitives are counted in *others when given. Mesa 22.3 loses primitives
// (or crashes) when feeding back a display list that mixes primitive types, as GLU's disks
// do: capture such geometry by calling DrawGeometry directly, and lists only when they hold
// one primitive type.
inline std::vector<FeedbackPolygon> CaptureFeedback(const std::function<void()>& draw,
                                                    int* others = nullptr)
{
    std::vector<GLfloat> buffer(1 << 21);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<FeedbackPolygon> polygons;
    int otherCount = 0;
    const float scale = 2 * kViewHalfWidth / kViewSize;
    auto readVertex = [&](GLint& i) {
        FeedbackVertex v;
        v.x = buffer[i] * scale - kViewHalfWidth;
        v.y = buffer[i + 1] * scale - kViewHalfWidth;
        v.z = kViewHalfDepth * (1.0f - 2.0f * buffer[i + 2]);
        for (int k = 0; k < 4; ++k) {
            v.color[k] = buffer[i + 3 + k];
            v.tex[k] = buffer[i + 7 + k];
        }
        i += 11;
        return v;
    };
    for (GLint i = 0; i < used;) {
        const GLint token = static_cast<GLint>(buffer[i++]);
        if (token == GL_POLYGON_TOKEN) {
            const int count = static_cast<int>(buffer[i++]);
            FeedbackPolygon polygon;
            for (int k = 0; k < count; ++k)
                polygon.push_back(readVertex(i));
            float twiceArea = 0.0f;
            for (int k = 0; k < count; ++k) {
                const FeedbackVertex& a = polygon[k];
                const FeedbackVertex& b = polygon[(k + 1) % count];
                twiceArea += a.x * b.y - b.x * a.y;
            }
            if (twiceArea != 0.0f)
                polygons.push_back(polygon);
        } else if (token == GL_PASS_THROUGH_TOKEN) {
            ++i;
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            readVertex(i);
            readVertex(i);
            ++otherCount;
        } else {  // points, bitmaps and pixel rectangles carry one vertex
            readVertex(i);
            ++otherCount;
        }
    }
    if (others)
        *others = otherCount;
    return polygons;
}

// Display lists alive among the names 1..limit (GL hands out small names first).
inline int LiveListCount(GLuint limit = 256)
{
    int count = 0;
    for (GLuint name = 1; name <= limit; ++name)
        count += glIsList(name) ? 1 : 0;
    return count;
}

// Writes a 24-bit uncompressed BMP of width x height pixels given as RGB rows, bottom row
// first; the width must be a multiple of 4 so that the rows need no padding. Returns the
// path (per process, so parallel runs do not collide).
inline std::string WriteBmp(const std::string& name, int width, int height,
                            const std::vector<uint8_t>& rgb)
{
    const uint32_t imageSize = static_cast<uint32_t>(width * height * 3);
    std::vector<uint8_t> bytes(54 + imageSize);
    auto put16 = [&](size_t at, uint32_t v) {
        bytes[at] = v & 0xFF;
        bytes[at + 1] = (v >> 8) & 0xFF;
    };
    auto put32 = [&](size_t at, uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    put16(26, 1);
    put16(28, 24);
    put32(34, imageSize);
    for (uint32_t i = 0; i < imageSize && i + 2 < rgb.size(); i += 3) {
        bytes[54 + i] = rgb[i + 2];  // stored blue, green, red
        bytes[54 + i + 1] = rgb[i + 1];
        bytes[54 + i + 2] = rgb[i];
    }
    const std::string path =
        testing::TempDir() + "corvane-obj-" + name + "-" + std::to_string(getpid()) + ".bmp";
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    return path;
}

// A 4 x 4 BMP of one colour.
inline std::string WriteSolidBmp(const std::string& name, uint8_t r, uint8_t g, uint8_t b)
{
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 16; ++i)
        rgb.insert(rgb.end(), {r, g, b});
    return WriteBmp(name, 4, 4, rgb);
}

// A texture loaded from a BMP written by WriteBmp; the file is removed once it is read.
// Repeating, with the given filter for both magnification and minification.
inline std::unique_ptr<Texture> LoadTestTexture(const std::string& path, GLenum filter = GL_NEAREST)
{
    auto texture = std::make_unique<Texture>(path.c_str(), filter, filter, GL_REPEAT, GL_REPEAT);
    std::remove(path.c_str());
    return texture;
}

}  // namespace corvane::test
