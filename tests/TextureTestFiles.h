// Byte-exact BMP and SGI RGB files built in memory for the reader and texture tests and the
// fuzzers' seed corpus, so no binary fixtures are needed. Builders write exactly the bytes
// asked for, damaged values included, and nothing after the last byte the picture needs.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace texture_test {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& out, uint16_t value, bool bigEndian = false)
{
    if (bigEndian) {
        out.push_back(uint8_t(value >> 8));
        out.push_back(uint8_t(value));
    } else {
        out.push_back(uint8_t(value));
        out.push_back(uint8_t(value >> 8));
    }
}

inline void Put32(Bytes& out, uint32_t value, bool bigEndian = false)
{
    Put16(out, uint16_t(bigEndian ? value >> 16 : value), bigEndian);
    Put16(out, uint16_t(bigEndian ? value : value >> 16), bigEndian);
}

// Overwrites four bytes at `offset` (std::out_of_range past the end).
inline void Poke32(Bytes& bytes, size_t offset, uint32_t value, bool bigEndian = false)
{
    Bytes word;
    Put32(word, value, bigEndian);
    for (size_t i = 0; i < word.size(); ++i)
        bytes.at(offset + i) = word[i];
}

// ---- BMP ----

struct BmpFields {
    uint16_t type = 0x4D42;  // "BM"
    int32_t width = 2;
    int32_t height = 2;
    uint32_t headerSize = 40;  // the information header is padded with zeros to this size
    uint16_t planes = 1;
    uint16_t bitsPerPixel = 24;
    uint32_t compression = 0;
    int64_t imageSize = -1;   // -1: width x height x 3
    int64_t dataOffset = -1;  // -1: right after the headers
};

inline Bytes MakeBmp(const BmpFields& fields, const Bytes& pixelData)
{
    const uint32_t infoSize = fields.headerSize < 40 ? 40 : fields.headerSize;
    const uint32_t dataOffset =
        fields.dataOffset < 0 ? 14 + infoSize : uint32_t(fields.dataOffset);
    const uint32_t imageSize = fields.imageSize < 0
                                   ? uint32_t(int64_t(fields.width) * fields.height * 3)
                                   : uint32_t(fields.imageSize);
    Bytes out;
    Put16(out, fields.type);
    Put32(out, uint32_t(dataOffset + pixelData.size()));
    Put32(out, 0);
    Put32(out, dataOffset);
    Put32(out, fields.headerSize);
    Put32(out, uint32_t(fields.width));
    Put32(out, uint32_t(fields.height));
    Put16(out, fields.planes);
    Put16(out, fields.bitsPerPixel);
    Put32(out, fields.compression);
    Put32(out, imageSize);
    out.resize(14 + infoSize, 0);
    if (out.size() < dataOffset)
        out.resize(dataOffset, 0xEE);  // filler between headers and pixels
    out.insert(out.end(), pixelData.begin(), pixelData.end());
    return out;
}

// Pixel data for w x h pixels whose bytes count up from `first`.
inline Bytes CountingBytes(size_t count, uint8_t first = 1)
{
    Bytes out(count);
    for (size_t i = 0; i < count; ++i)
        out[i] = uint8_t(first + i);
    return out;
}

// ---- SGI RGB ----

struct RgbFields {
    uint16_t magic = 474;  // written in the file's byte order
    bool bigEndian = true;
    bool runLength = false;
    uint8_t bytesPerChannel = 1;
    uint16_t dimension = 3;
    uint16_t xsize = 2;
    uint16_t ysize = 2;
    uint16_t zsize = 3;
};

// The 512-byte header.
inline Bytes MakeRgbHeader(const RgbFields& fields)
{
    Bytes out;
    Put16(out, fields.magic, fields.bigEndian);
    Put16(out, uint16_t((fields.runLength ? 1 : 0) << 8 | fields.bytesPerChannel),
          fields.bigEndian);
    Put16(out, fields.dimension, fields.bigEndian);
    Put16(out, fields.xsize, fields.bigEndian);
    Put16(out, fields.ysize, fields.bigEndian);
    Put16(out, fields.zsize, fields.bigEndian);
    out.resize(512, 0);
    return out;
}

// Header, then the channel planes as given (channel 0 first, bottom row first).
inline Bytes MakeRgbVerbatim(RgbFields fields, const Bytes& planes)
{
    fields.runLength = false;
    Bytes out = MakeRgbHeader(fields);
    out.insert(out.end(), planes.begin(), planes.end());
    return out;
}

// Header, row-start table, row-length table, then the packed rows in table order
// (entry z x ysize + y).
inline Bytes MakeRgbRunLength(RgbFields fields, const std::vector<Bytes>& packedRows)
{
    fields.runLength = true;
    Bytes out = MakeRgbHeader(fields);
    uint32_t start = uint32_t(512 + 8 * packedRows.size());
    for (const Bytes& row : packedRows) {
        Put32(out, start, fields.bigEndian);
        start += uint32_t(row.size());
    }
    for (const Bytes& row : packedRows)
        Put32(out, uint32_t(row.size()), fields.bigEndian);
    for (const Bytes& row : packedRows)
        out.insert(out.end(), row.begin(), row.end());
    return out;
}

// A row packed as literal packets of at most 127 bytes and the closing 0.
inline Bytes PackLiteral(const Bytes& row)
{
    Bytes out;
    for (size_t i = 0; i < row.size(); i += 127) {
        const size_t n = std::min<size_t>(127, row.size() - i);
        out.push_back(uint8_t(0x80 | n));
        out.insert(out.end(), row.begin() + long(i), row.begin() + long(i + n));
    }
    out.push_back(0);
    return out;
}

// Channel planes split into rows of `width` bytes, each packed as literal packets.
inline std::vector<Bytes> PackRows(const Bytes& planes, size_t width)
{
    std::vector<Bytes> packed;
    for (size_t i = 0; i + width <= planes.size(); i += width)
        packed.push_back(PackLiteral(Bytes(planes.begin() + long(i),
                                           planes.begin() + long(i + width))));
    return packed;
}

}  // namespace texture_test
