// PNG input and output through libpng's simplified API. Writing goes through a temporary file
// that replaces the target only when complete.
#include "tools/png/PngFile.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool Fail(std::string* error, const std::string& why)
{
    if (error)
        *error = why;
    return false;
}

// Where the picture goes: the path itself, or the file a link at the path leads to, so that
// the link stays a link. Refuses anything there that is not a regular file.
bool ResolveTarget(const std::string& path, std::string* target, mode_t* mode,
                   std::string* error)
{
    *target = path;
    struct stat status;
    if (lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
        char* resolved = realpath(path.c_str(), nullptr);
        if (!resolved)
            return Fail(error, std::strerror(errno));
        *target = resolved;
        std::free(resolved);
    }
    const mode_t mask = umask(0);
    umask(mask);
    *mode = 0666 & ~mask;  // as a newly created file would get
    if (stat(target->c_str(), &status) == 0) {
        if (!S_ISREG(status.st_mode))
            return Fail(error, "not a regular file");
        *mode = status.st_mode & 07777;  // a replaced file keeps its permissions
    } else if (errno != ENOENT) {
        return Fail(error, std::strerror(errno));
    }
    return true;
}

// A simplified-API image description of WIDTH x HEIGHT pixels in FORMAT.
png_image ImageOf(int width, int height, png_uint_32 format)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = format;
    return image;
}

}  // namespace

bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
              std::string* error)
{
    if (width <= 0 || height <= 0 || rgb.size() < size_t(width) * size_t(height) * 3)
        return Fail(error, "no picture");
    std::string target;
    mode_t mode = 0;
    if (!ResolveTarget(path, &target, &mode, error))
        return false;

    // A temporary file beside the target, renamed over it only once complete: a failed write
    // (a full disk, say) leaves whatever stood at the path untouched.
    const size_t slash = target.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string temporary =
        target.substr(0, nameStart) + "." + target.substr(nameStart) + ".XXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0)
        return Fail(error, std::strerror(errno));
    std::FILE* stream = fdopen(descriptor, "wb");
    if (!stream) {
        const int why = errno;
        close(descriptor);
        unlink(temporary.c_str());
        return Fail(error, std::strerror(why));
    }

    png_image image = ImageOf(width, height, PNG_FORMAT_RGB);
    errno = 0;
    bool ok = png_image_write_to_stdio(&image, stream, 0, rgb.data(), width * 3, nullptr) != 0 &&
              std::fflush(stream) == 0 && fchmod(descriptor, mode) == 0 &&
              fsync(descriptor) == 0;
    int why = errno;
    std::string message = why != 0 ? std::strerror(why) : image.message;
    png_image_free(&image);
    if (std::fclose(stream) != 0 && ok) {
        ok = false;
        message = std::strerror(errno);
    }
    if (ok && std::rename(temporary.c_str(), target.c_str()) != 0) {
        ok = false;
        message = std::strerror(errno);
    }
    if (!ok) {
        unlink(temporary.c_str());
        return Fail(error, message);
    }
    return true;
}

bool ReadPng(const std::string& path, int* width, int* height, std::vector<uint8_t>* rgb)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGB;
    rgb->resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb->data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    *width = int(image.width);
    *height = int(image.height);
    return true;
}

namespace {

bool HoldsRgba(int width, int height, const std::vector<uint8_t>& rgba)
{
    return width > 0 && height > 0 && rgba.size() >= size_t(width) * size_t(height) * 4;
}

}  // namespace

bool WritePngRgba(const std::string& path, int width, int height,
                  const std::vector<uint8_t>& rgba)
{
    if (!HoldsRgba(width, height, rgba))
        return false;
    png_image image = ImageOf(width, height, PNG_FORMAT_RGBA);
    const int ok = png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), width * 4,
                                           nullptr);
    png_image_free(&image);
    return ok != 0;
}

std::vector<uint8_t> EncodePngRgba(int width, int height, const std::vector<uint8_t>& rgba)
{
    if (!HoldsRgba(width, height, rgba))
        return {};
    png_image image = ImageOf(width, height, PNG_FORMAT_RGBA);
    png_alloc_size_t size = 0;
    std::vector<uint8_t> bytes;
    // The first call measures, the second writes.
    if (png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), width * 4, nullptr)) {
        bytes.resize(size);
        if (png_image_write_to_memory(&image, bytes.data(), &size, 0, rgba.data(), width * 4,
                                      nullptr))
            bytes.resize(size);
        else
            bytes.clear();
    }
    png_image_free(&image);
    return bytes;
}
