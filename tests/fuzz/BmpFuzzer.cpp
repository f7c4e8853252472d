// libFuzzer target: any bytes through the BMP reader. A picture it accepts must have sizes
// within the cap and a pixel block of exactly that size, filled from the input; anything else
// must be refused without reading or writing outside a buffer (the sanitizers watch that).
#include <cstdint>
#include <cstdlib>

#include "texture/BmpReader.h"
#include "texture/MemoryByteSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemoryByteSource source(data, size);
    BmpPicture picture;
    const BmpStatus status = ReadBmp(source, &picture);
    if (status == BmpStatus::kOk) {
        if (picture.width <= 0 || picture.height <= 0 || picture.width > kMaxImageDimension ||
            picture.height > kMaxImageDimension || !picture.pixels)
            std::abort();
        const size_t bytes = size_t(picture.width) * size_t(picture.height) * 3;
        if (bytes > size)  // the pixels come from the input, never from nowhere
            std::abort();
        unsigned sum = 0;
        for (size_t i = 0; i < bytes; ++i)
            sum += picture.pixels[i];
        volatile unsigned sink = sum;
        (void)sink;
    } else if (picture.pixels) {
        std::abort();
    }
    std::free(picture.pixels);
    return 0;
}
