// Texture loading and upload. The readers decode; this file chooses the reader by the file
// name, turns a reader's status into the texture's messages (shown with the error icon and no
// owner), expands the picture to RGBA with alpha 128 and creates the GL texture object.
#include "texture/Texture.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "texture/BmpReader.h"
#include "texture/FileByteSource.h"
#include "texture/RgbImageFile.h"

namespace {

constexpr uint8_t kAlpha = 128;
const char kOutOfMemoryText[] = "Out of memory.\n\nFailed to create texture image.";

void ShowTextureMessage(const std::string& text)
{
    platform::ShowMessageBox(nullptr, text.c_str(), "Error", platform::kIconError);
}

// "<file name>" followed by the text; std::string, so a name of any length fits.
std::string AfterFileName(const char* fileName, const char* text)
{
    return std::string(fileName ? fileName : "") + text;
}

}  // namespace

Texture::Texture(const char* fileName, GLenum magFilter, GLenum minFilter, GLenum wrapT,
                 GLenum wrapS)
    : magFilter(magFilter), minFilter(minFilter), wrapT(wrapT), wrapS(wrapS)
{
    Load(fileName);  // a failure has been shown; the texture object is created regardless
    CreateGLTexture();
}

Texture::~Texture()
{
    FreePixels();
}

int32_t Texture::Load(const char* fileName)
{
    // The last four characters, compared case-sensitively.
    const size_t length = fileName ? std::strlen(fileName) : 0;
    if (length >= 4) {
        const char* ending = fileName + length - 4;
        if (std::memcmp(ending, ".rgb", 4) == 0)
            return LoadRgb(fileName);
        if (std::memcmp(ending, ".bmp", 4) == 0)
            return LoadBmp(fileName);
    }
    ShowTextureMessage(AfterFileName(fileName, "\n\nInvalid file type."));
    return E_FAIL;
}

int32_t Texture::LoadBmp(const char* fileName)
{
    FreePixels();
    FileByteSource file(fileName);
    if (!file.IsOpen()) {
        ShowTextureMessage(AfterFileName(fileName, "\n\nCould not open file."));
        return E_FAIL;
    }
    BmpPicture picture;
    switch (ReadBmp(file, &picture)) {
    case BmpStatus::kInvalidFormat:
        ShowTextureMessage(AfterFileName(fileName, "\n\nInvalid file format."));
        return E_FAIL;
    case BmpStatus::kOutOfMemory:
        width = picture.width;
        height = picture.height;
        components = 4;
        ShowTextureMessage(kOutOfMemoryText);
        return E_OUTOFMEMORY;
    case BmpStatus::kOk:
        break;
    }
    width = picture.width;
    height = picture.height;
    components = 4;
    pixels = picture.pixels;
    return ExpandToRgba(&pixels, int64_t(width) * height, true);
}

int32_t Texture::LoadRgb(const char* fileName)
{
    FreePixels();
    std::unique_ptr<RgbImage> image = LoadRgbImage(fileName);
    if (!image)
        return E_FAIL;
    width = image->width;
    height = image->height;
    components = 4;
    pixels = image->pixels;
    image->pixels = nullptr;
    return ExpandToRgba(&pixels, int64_t(width) * height, false);
}

void Texture::CreateGLTexture()
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // rows are tightly packed; stays in effect
    glGenTextures(1, &textureName);
    glBindTexture(GL_TEXTURE_2D, textureName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLint(magFilter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(minFilter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GLint(wrapS));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GLint(wrapT));
    // Level 0 only, no resampling. After a failed load this uploads whatever is held (zero
    // sizes, or sizes without pixels); the GL error that may cause is deliberately ignored.
    glTexImage2D(GL_TEXTURE_2D, 0, components, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 pixels);
}

void Texture::Bind() const
{
    glBindTexture(GL_TEXTURE_2D, textureName);
}

void Texture::FreePixels()
{
    if (!pixels)
        return;
    std::free(pixels);
    pixels = nullptr;
    width = 0;
    height = 0;
}

int32_t ExpandToRgba(uint8_t** block, int64_t count, bool bgr)
{
    uint8_t* source = *block;
    uint8_t* expanded = nullptr;
    if (count >= 0 && uint64_t(count) <= SIZE_MAX / 4)
        expanded = static_cast<uint8_t*>(std::malloc(count > 0 ? size_t(count) * 4 : 1));
    if (!expanded) {
        std::free(source);
        *block = nullptr;
        ShowTextureMessage(kOutOfMemoryText);
        return E_OUTOFMEMORY;
    }
    // The two loops differ only in which source byte is red; kept apart so each vectorises.
    uint8_t* out = expanded;
    const uint8_t* in = source;
    const uint8_t* end = source + 3 * count;
    if (bgr) {
        for (; in != end; in += 3, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = kAlpha;
        }
    } else {
        for (; in != end; in += 3, out += 4) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
            out[3] = kAlpha;
        }
    }
    std::free(source);
    *block = expanded;
    return kResultOk;
}
