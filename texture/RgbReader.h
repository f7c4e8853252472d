// The SGI RGB reader: decodes an SGI image stored verbatim or run-length encoded, in either
// byte order, one byte per channel, into 8-bit red, green, blue pixels, bottom row first.
// Channels 0, 1, 2 become red, green, blue; a file with one or two channels is grey and its
// channel 0 gives all three. Pure: bytes in, an image or a status out; LoadRgbImage(fileName)
// in RgbImageFile.h adds the file and the messages.
#pragma once

#include <cstdint>
#include <memory>

#include "texture/ByteSource.h"
#include "texture/ImageLimits.h"

enum class RgbStatus {
    kOk,
    kInvalidFile,  // bad magic, unsupported sizes or depth, damaged tables or rows, early end
    kOutOfMemory,
};

// The state of an open image, from OpenRgbFile to CloseRgbFile.
struct RgbFile {
    uint16_t magic = 0;      // as read little-endian: 0x01DA little-endian file, 0xDA01 big-endian
    uint16_t type = 0;       // high byte 1: run-length encoded; low byte: bytes per channel
    uint16_t dimension = 0;  // not used
    uint16_t xsize = 0;      // pixels per row, 1..maxDimension
    uint16_t ysize = 0;      // rows, 1..maxDimension; xsize x ysize <= maxPixels
    uint16_t zsize = 0;      // channels, >= 1; channels from 3 on are never read
    ByteSource* source = nullptr;          // not owned
    std::unique_ptr<uint8_t[]> packedRow;  // 2 x xsize + 1 bytes: the part of a stored row
                                           // that decoding can consume
    std::unique_ptr<uint8_t[]> redRow;     // xsize bytes: decoded row of channel 0
    std::unique_ptr<uint8_t[]> greenRow;   // xsize bytes: channel 1 (unused when zsize < 3)
    std::unique_ptr<uint8_t[]> blueRow;    // xsize bytes: channel 2 (unused when zsize < 3)
    // Run-length only: the entries of the channels read (3, or 1 when zsize < 3), ysize each.
    std::unique_ptr<uint32_t[]> rowStarts;   // file offsets
    std::unique_ptr<uint32_t[]> rowLengths;  // byte counts, at most 256 x xsize
};

// The decoded picture, owned by the caller.
struct RgbImage {
    RgbImage() = default;
    ~RgbImage();
    RgbImage(const RgbImage&) = delete;
    RgbImage& operator=(const RgbImage&) = delete;

    int32_t width = 0;          // = xsize
    int32_t height = 0;         // = ysize
    uint8_t* pixels = nullptr;  // width x height pixels of red, green, blue, bottom row first;
                                // C heap; whoever takes it over sets this to null
};

// Reads and checks the header and, for run-length files, the row tables. Null on failure,
// with *status saying why; a picture beyond either limit is an invalid file, before anything
// is allocated or any row read. The source must outlive the returned state.
RgbFile* OpenRgbFile(ByteSource& source, RgbStatus* status,
                     int32_t maxDimension = kMaxImageDimension,
                     int64_t maxPixels = kMaxImagePixels);
// Decodes row y (0 = bottom, < ysize) of channel z into destination, exactly xsize bytes;
// z < zsize, and in a run-length file z is one of the channels read. A stored row that does
// not decode to exactly xsize bytes is an invalid file.
RgbStatus ReadRgbRow(RgbFile* rgbFile, uint8_t* destination, int y, int z);
// Allocates image->pixels and fills it; on failure leaves image->pixels null.
RgbStatus ReadRgbPixels(RgbFile* rgbFile, RgbImage* image);
void CloseRgbFile(RgbFile* rgbFile);

// Open, read, close. Null on failure, with *status saying why.
std::unique_ptr<RgbImage> LoadRgbImage(ByteSource& source, RgbStatus* status,
                                       int32_t maxDimension = kMaxImageDimension,
                                       int64_t maxPixels = kMaxImagePixels);
