// libFuzzer target: any bytes through the SGI RGB reader. An image it accepts must have the
// header's sizes within the cap and a pixel block of exactly that size; anything else must be
// refused without reading or writing outside a buffer (the sanitizers watch that).
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "texture/MemoryByteSource.h"
#include "texture/RgbReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemoryByteSource source(data, size);
    RgbStatus status = RgbStatus::kOk;
    const std::unique_ptr<RgbImage> image = LoadRgbImage(source, &status);
    if ((image != nullptr) != (status == RgbStatus::kOk))
        std::abort();
    if (!image)
        return 0;
    if (image->width <= 0 || image->height <= 0 || image->width > kMaxImageDimension ||
        image->height > kMaxImageDimension || !image->pixels)
        std::abort();
    // Reading every byte lets AddressSanitizer check the block has the size claimed.
    unsigned sum = 0;
    const size_t bytes = size_t(image->width) * size_t(image->height) * 3;
    for (size_t i = 0; i < bytes; ++i)
        sum += image->pixels[i];
    volatile unsigned sink = sum;
    (void)sink;
    return 0;
}
