// PNG input and output through libpng's simplified API.
#include "tools/png/PngFile.h"

#include <png.h>

#include <cstring>

bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb)
{
    if (width <= 0 || height <= 0 || rgb.size() < size_t(width) * size_t(height) * 3)
        return false;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = PNG_FORMAT_RGB;
    const int ok = png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), width * 3,
                                           nullptr);
    png_image_free(&image);
    return ok != 0;
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

png_image RgbaImage(int width, int height)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = PNG_FORMAT_RGBA;
    return image;
}

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
    png_image image = RgbaImage(width, height);
    const int ok = png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), width * 4,
                                           nullptr);
    png_image_free(&image);
    return ok != 0;
}

std::vector<uint8_t> EncodePngRgba(int width, int height, const std::vector<uint8_t>& rgba)
{
    if (!HoldsRgba(width, height, rgba))
        return {};
    png_image image = RgbaImage(width, height);
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
