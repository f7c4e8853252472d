// BMP decoding: a 14-byte file header, a 40-byte information header, then the pixel data at
// the offset the file header gives. All fields are little-endian.
#include "texture/BmpReader.h"

#include <cstdlib>

#include "texture/ByteOrder.h"

namespace {

constexpr uint16_t kBmpType = 0x4D42;  // "BM"
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;

}  // namespace

BmpStatus ReadBmp(ByteSource& source, BmpPicture* picture, int32_t maxDimension,
                  int64_t maxPixels)
{
    *picture = BmpPicture{};

    uint8_t fileHeader[kFileHeaderSize];
    if (!source.ReadAt(0, fileHeader, sizeof fileHeader) ||
        LoadLittle16(fileHeader) != kBmpType)
        return BmpStatus::kInvalidFormat;
    const uint32_t dataOffset = LoadLittle32(fileHeader + 10);

    uint8_t info[kInfoHeaderSize];
    if (!source.ReadAt(kFileHeaderSize, info, sizeof info))
        return BmpStatus::kInvalidFormat;
    const uint32_t headerSize = LoadLittle32(info);
    const int32_t width = int32_t(LoadLittle32(info + 4));
    const int32_t height = int32_t(LoadLittle32(info + 8));  // negative: top-down, refused
    const uint16_t planes = LoadLittle16(info + 12);
    const uint16_t bitsPerPixel = LoadLittle16(info + 14);
    const uint32_t compression = LoadLittle32(info + 16);
    const uint32_t imageSize = LoadLittle32(info + 20);
    if (headerSize != kInfoHeaderSize || planes != 1 || bitsPerPixel != 24 || compression != 0)
        return BmpStatus::kInvalidFormat;
    if (width <= 0 || height <= 0 || width > maxDimension || height > maxDimension ||
        int64_t(width) * height > maxPixels)
        return BmpStatus::kInvalidFormat;
    // Both sides are below 2^15 here, so the product stays below 2^32.
    const uint64_t pixelBytes = uint64_t(width) * uint64_t(height) * 3;
    if (imageSize != pixelBytes || uint64_t(dataOffset) + pixelBytes > source.Size())
        return BmpStatus::kInvalidFormat;

    picture->width = width;
    picture->height = height;
    uint8_t* pixels = static_cast<uint8_t*>(std::malloc(size_t(pixelBytes)));
    if (!pixels)
        return BmpStatus::kOutOfMemory;
    if (!source.ReadAt(dataOffset, pixels, size_t(pixelBytes))) {
        std::free(pixels);
        *picture = BmpPicture{};
        return BmpStatus::kInvalidFormat;
    }
    picture->pixels = pixels;
    return BmpStatus::kOk;
}
