// Texture: one image file turned into one OpenGL 2D texture object. The constructor loads
// the file (BMP, or SGI RGB for names ending in ".rgb"), expands it to RGBA with alpha 128
// and uploads it; a file that cannot be loaded is reported in a message box and leaves a
// texture object without a usable picture. Needs a current GL context.
#pragma once

#include <GL/gl.h>

#include <cstdint>

// Result codes of the loaders. On Windows, where GL's headers bring in windows.h, the last two
// are its own macros, with the same values.
inline constexpr int32_t kResultOk = 0;
#ifndef E_FAIL
inline constexpr int32_t E_FAIL = static_cast<int32_t>(0x80004005u);
#endif
#ifndef E_OUTOFMEMORY
inline constexpr int32_t E_OUTOFMEMORY = static_cast<int32_t>(0x8007000Eu);
#endif

class Texture {
public:
    Texture(const char* fileName, GLenum magFilter, GLenum minFilter, GLenum wrapT, GLenum wrapS);
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    int32_t Load(const char* fileName);
    int32_t LoadBmp(const char* fileName);
    int32_t LoadRgb(const char* fileName);
    void CreateGLTexture();
    void Bind() const;
    void FreePixels();

    int width = 0;         // pixels per row; 0 when nothing is loaded
    int height = 0;        // rows; 0 when nothing is loaded
    int components = 0;    // 4 once a header has been accepted
    uint8_t* pixels = nullptr;  // RGBA, bottom row first, from the C heap
    GLuint textureName = 0;
    GLenum magFilter;
    GLenum minFilter;
    GLenum wrapT;
    GLenum wrapS;
};

// Replaces a block of `count` 3-byte pixels (owned through *block, C heap) with a block of
// `count` RGBA pixels, alpha 128. bgr: the source bytes are blue, green, red (BMP).
int32_t ExpandToRgba(uint8_t** block, int64_t count, bool bgr);
