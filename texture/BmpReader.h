// The BMP reader: decodes a Windows BMP with a 40-byte information header, 24 bits per pixel,
// uncompressed, bottom-up rows without padding (image size exactly width x height x 3).
// Pure: bytes in, a picture or a status out; the texture turns the status into its messages.
#pragma once

#include <cstdint>

#include "texture/ByteSource.h"
#include "texture/ImageLimits.h"

enum class BmpStatus {
    kOk,
    kInvalidFormat,  // not "BM", an unsupported header, a bad size, or a file that ends early
    kOutOfMemory,    // the header was accepted (width and height are set) but no pixel block
};

struct BmpPicture {
    int32_t width = 0;          // 1..maxDimension once the header is accepted, else 0
    int32_t height = 0;         // 1..maxDimension once the header is accepted, else 0;
                                // width x height <= maxPixels
    uint8_t* pixels = nullptr;  // width x height pixels of blue, green, red; bottom row first;
                                // C heap, owned by the caller after kOk
};

// Reads the whole picture. Nothing is allocated before the headers have passed every check
// and the file is known to hold all pixel data, so a damaged header cannot cause a large
// allocation and a truncated file never yields a half-filled picture. A picture beyond either
// limit is an invalid format, as any other size the reader does not take.
BmpStatus ReadBmp(ByteSource& source, BmpPicture* picture,
                  int32_t maxDimension = kMaxImageDimension,
                  int64_t maxPixels = kMaxImagePixels);
