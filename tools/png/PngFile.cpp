// PNG input and output through libpng's simplified API.
#include "tools/png/PngFile.h"

#include <png.h>

#include <cstdio>

std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& pixels,
                               int channels)
{
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    std::vector<uint8_t> bytes;
    // The first call measures, the second writes.
    if (width > 0 && height > 0 && pixels.size() >= size_t(width) * size_t(height) * channels &&
        png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr)) {
        bytes.resize(size);
        if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.data(), 0, nullptr))
            bytes.clear();
    }
    png_image_free(&image);
    return bytes;
}

bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& pixels,
              int channels)
{
    const std::vector<uint8_t> bytes = EncodePng(width, height, pixels, channels);
    std::FILE* file = bytes.empty() ? nullptr : std::fopen(path.c_str(), "wb");
    const bool written = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return file && std::fclose(file) == 0 && written;
}

bool ReadPng(const std::string& path, int* width, int* height, std::vector<uint8_t>* rgb)
{
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGB;
    rgb->resize(PNG_IMAGE_SIZE(image));
    const bool read = png_image_finish_read(&image, nullptr, rgb->data(), 0, nullptr);
    png_image_free(&image);  // what a failed read leaves; nothing after a whole one
    *width = int(image.width);
    *height = int(image.height);
    return read;
}
