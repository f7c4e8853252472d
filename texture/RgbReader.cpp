// SGI RGB decoding. The 512-byte header's first 12 bytes are read; verbatim channel planes or
// the run-length row tables start at byte 512. Every table entry, row length and run is
// bounded by the buffers and the file, so damaged data is refused instead of read past. Only
// the channels used are read (their table entries and rows), and of a stored row only the
// bytes decoding can consume, so memory and work follow the picture, not the header's zsize
// or the stored row lengths.
#include "texture/RgbReader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "texture/ByteOrder.h"

namespace {

constexpr uint16_t kMagicLittleEndianFile = 0x01DA;  // the bytes DA 01
constexpr uint16_t kMagicBigEndianFile = 0xDA01;     // the bytes 01 DA
constexpr uint64_t kDataOffset = 512;                // header size
constexpr size_t kPackedRowFactor = 256;             // a stored row is at most 256 x xsize bytes

template <typename T>
std::unique_ptr<T[]> AllocateArray(size_t count)
{
    return std::unique_ptr<T[]>(new (std::nothrow) T[count]);
}

int ChannelsRead(const RgbFile& file)
{
    return file.zsize >= 3 ? 3 : 1;
}

bool IsRunLength(const RgbFile& file)
{
    return (file.type >> 8) == 1;
}

// The most stored bytes a row of `width` pixels can consume: every packet but the closing 0
// takes at least two bytes and gives at least one pixel. Bytes after that are never decoded.
size_t MostDecodedBytes(size_t width)
{
    return 2 * width + 1;
}

// Decodes one packed row into exactly `width` bytes. The row ends at a packet of count 0 or,
// lacking one, at the end of the stored bytes; either way it must have filled the width.
bool DecodeRow(const uint8_t* packed, size_t length, uint8_t* destination, size_t width)
{
    size_t in = 0;
    size_t out = 0;
    while (in < length) {
        const uint8_t control = packed[in++];
        const size_t count = control & 0x7F;
        if (count == 0)
            break;
        if (count > width - out)
            return false;
        if (control & 0x80) {
            if (count > length - in)
                return false;
            std::memcpy(destination + out, packed + in, count);
            in += count;
        } else {
            if (in == length)
                return false;
            std::memset(destination + out, packed[in++], count);
        }
        out += count;
    }
    return out == width;
}

RgbFile* Fail(RgbFile* rgbFile, RgbStatus* status, RgbStatus why)
{
    CloseRgbFile(rgbFile);
    *status = why;
    return nullptr;
}

// The first 12 bytes of the header: the magic, which gives the byte order, then the sizes.
bool ReadHeader(RgbFile& file)
{
    uint8_t header[12];
    if (!file.source->ReadAt(0, header, sizeof header))
        return false;
    file.magic = LoadLittle16(header);
    uint16_t (*load16)(const uint8_t*) = nullptr;
    if (file.magic == kMagicBigEndianFile)
        load16 = LoadBig16;
    else if (file.magic == kMagicLittleEndianFile)
        load16 = LoadLittle16;
    else
        return false;
    file.type = load16(header + 2);
    file.dimension = load16(header + 4);
    file.xsize = load16(header + 6);
    file.ysize = load16(header + 8);
    file.zsize = load16(header + 10);
    return true;
}

// One byte per channel, sides within the limits, and the data in the file before any buffer
// is sized by the header. Verbatim: the planes of the channels read. Run-length: both whole
// tables, though only the entries of the channels read are loaded (the rows are checked as
// read).
bool SizesAccepted(const RgbFile& file, int32_t maxDimension, int64_t maxPixels)
{
    const bool twoBytesPerChannel = (file.type & 0xFF) == 2;
    if (twoBytesPerChannel || file.xsize == 0 || file.ysize == 0 || file.zsize == 0 ||
        file.xsize > maxDimension || file.ysize > maxDimension ||
        int64_t(file.xsize) * file.ysize > maxPixels)
        return false;
    const uint64_t tableEntries = uint64_t(file.ysize) * file.zsize;
    const uint64_t needed =
        IsRunLength(file) ? kDataOffset + 2 * 4 * tableEntries
                          : kDataOffset + uint64_t(ChannelsRead(file)) * file.ysize * file.xsize;
    return needed <= file.source->Size();
}

bool AllocateRows(RgbFile& file)
{
    file.packedRow = AllocateArray<uint8_t>(MostDecodedBytes(file.xsize));
    file.redRow = AllocateArray<uint8_t>(file.xsize);
    file.greenRow = AllocateArray<uint8_t>(file.xsize);
    file.blueRow = AllocateArray<uint8_t>(file.xsize);
    return file.packedRow && file.redRow && file.greenRow && file.blueRow;
}

// Run-length only. Entry z x ysize + y belongs to row y of channel z, so the entries of the
// channels read are the first `count` of each table; those of further channels are skipped.
RgbStatus ReadRowTables(RgbFile& file)
{
    const uint64_t tableEntries = uint64_t(file.ysize) * file.zsize;
    const size_t count = size_t(ChannelsRead(file)) * file.ysize;
    file.rowStarts = AllocateArray<uint32_t>(count);
    file.rowLengths = AllocateArray<uint32_t>(count);
    if (!file.rowStarts || !file.rowLengths)
        return RgbStatus::kOutOfMemory;
    // Read as raw bytes, then decode in place in the file's byte order.
    const size_t readBytes = 4 * count;
    uint8_t* starts = reinterpret_cast<uint8_t*>(file.rowStarts.get());
    uint8_t* lengths = reinterpret_cast<uint8_t*>(file.rowLengths.get());
    if (!file.source->ReadAt(kDataOffset, starts, readBytes) ||
        !file.source->ReadAt(kDataOffset + 4 * tableEntries, lengths, readBytes))
        return RgbStatus::kInvalidFile;
    uint32_t (*load32)(const uint8_t*) =
        file.magic == kMagicBigEndianFile ? LoadBig32 : LoadLittle32;
    for (size_t i = 0; i < count; ++i) {
        file.rowStarts[i] = load32(starts + 4 * i);
        file.rowLengths[i] = load32(lengths + 4 * i);
    }
    return RgbStatus::kOk;
}

}  // namespace

RgbImage::~RgbImage()
{
    std::free(pixels);
}

RgbFile* OpenRgbFile(ByteSource& source, RgbStatus* status, int32_t maxDimension,
                     int64_t maxPixels)
{
    RgbFile* rgbFile = new (std::nothrow) RgbFile;
    if (!rgbFile) {
        *status = RgbStatus::kOutOfMemory;
        return nullptr;
    }
    rgbFile->source = &source;
    if (!ReadHeader(*rgbFile) || !SizesAccepted(*rgbFile, maxDimension, maxPixels))
        return Fail(rgbFile, status, RgbStatus::kInvalidFile);
    if (!AllocateRows(*rgbFile))
        return Fail(rgbFile, status, RgbStatus::kOutOfMemory);
    if (IsRunLength(*rgbFile)) {
        const RgbStatus tables = ReadRowTables(*rgbFile);
        if (tables != RgbStatus::kOk)
            return Fail(rgbFile, status, tables);
    }
    *status = RgbStatus::kOk;
    return rgbFile;
}

RgbStatus ReadRgbRow(RgbFile* rgbFile, uint8_t* destination, int y, int z)
{
    const RgbFile& file = *rgbFile;
    const int channels = IsRunLength(file) ? ChannelsRead(file) : file.zsize;
    if (y < 0 || y >= file.ysize || z < 0 || z >= channels)
        return RgbStatus::kInvalidFile;
    const size_t index = size_t(z) * file.ysize + size_t(y);
    ByteSource& source = *file.source;

    if (!IsRunLength(file)) {
        const uint64_t start = kDataOffset + uint64_t(index) * file.xsize;
        return source.ReadAt(start, destination, file.xsize) ? RgbStatus::kOk
                                                             : RgbStatus::kInvalidFile;
    }
    const uint32_t start = file.rowStarts[index];
    const uint32_t length = file.rowLengths[index];
    if (length > kPackedRowFactor * file.xsize || uint64_t(start) + length > source.Size())
        return RgbStatus::kInvalidFile;
    const size_t decoded = std::min<size_t>(length, MostDecodedBytes(file.xsize));
    if (!source.ReadAt(start, file.packedRow.get(), decoded) ||
        !DecodeRow(file.packedRow.get(), decoded, destination, file.xsize))
        return RgbStatus::kInvalidFile;
    return RgbStatus::kOk;
}

RgbStatus ReadRgbPixels(RgbFile* rgbFile, RgbImage* image)
{
    const RgbFile& file = *rgbFile;
    const size_t width = file.xsize;
    // Both sides are at most 65535, so the product fits easily in 64 bits.
    uint8_t* pixels = static_cast<uint8_t*>(std::malloc(width * file.ysize * 3));
    if (!pixels)
        return RgbStatus::kOutOfMemory;

    // A grey file (one or two channels) gives channel 0 for red, green and blue.
    const bool grey = ChannelsRead(file) == 1;
    const uint8_t* red = file.redRow.get();
    const uint8_t* green = grey ? red : file.greenRow.get();
    const uint8_t* blue = grey ? red : file.blueRow.get();
    uint8_t* out = pixels;
    for (int y = 0; y < file.ysize; ++y) {
        bool ok = ReadRgbRow(rgbFile, file.redRow.get(), y, 0) == RgbStatus::kOk;
        if (ok && !grey)
            ok = ReadRgbRow(rgbFile, file.greenRow.get(), y, 1) == RgbStatus::kOk &&
                 ReadRgbRow(rgbFile, file.blueRow.get(), y, 2) == RgbStatus::kOk;
        if (!ok) {
            std::free(pixels);
            return RgbStatus::kInvalidFile;
        }
        for (size_t x = 0; x < width; ++x) {
            out[0] = red[x];
            out[1] = green[x];
            out[2] = blue[x];
            out += 3;
        }
    }
    image->pixels = pixels;
    return RgbStatus::kOk;
}

void CloseRgbFile(RgbFile* rgbFile)
{
    delete rgbFile;
}

std::unique_ptr<RgbImage> LoadRgbImage(ByteSource& source, RgbStatus* status,
                                       int32_t maxDimension, int64_t maxPixels)
{
    RgbFile* rgbFile = OpenRgbFile(source, status, maxDimension, maxPixels);
    if (!rgbFile)
        return nullptr;
    std::unique_ptr<RgbImage> image(new (std::nothrow) RgbImage);
    if (!image) {
        CloseRgbFile(rgbFile);
        *status = RgbStatus::kOutOfMemory;
        return nullptr;
    }
    image->width = rgbFile->xsize;
    image->height = rgbFile->ysize;
    *status = ReadRgbPixels(rgbFile, image.get());
    CloseRgbFile(rgbFile);
    if (*status != RgbStatus::kOk)
        return nullptr;
    return image;
}
