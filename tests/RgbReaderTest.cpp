// The SGI RGB reader on byte buffers: both byte orders, verbatim and run-length storage,
// grey and four-channel files, and the damaged variants it must refuse without reading
// outside its buffers or the file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "TextureTestFiles.h"
#include "texture/MemoryByteSource.h"
#include "texture/RgbReader.h"

using namespace texture_test;

namespace {

struct Loaded {
    RgbStatus status = RgbStatus::kOk;
    std::unique_ptr<RgbImage> image;

    Bytes Pixels() const
    {
        return image ? Bytes(image->pixels,
                             image->pixels + size_t(image->width) * image->height * 3)
                     : Bytes();
    }
};

Loaded Load(const Bytes& file, int32_t maxDimension = kMaxImageDimension,
            int64_t maxPixels = kMaxImagePixels)
{
    MemoryByteSource source(file.data(), file.size());
    Loaded loaded;
    loaded.image = LoadRgbImage(source, &loaded.status, maxDimension, maxPixels);
    return loaded;
}

// A memory source that counts the bytes the reader fetches.
class CountingSource : public MemoryByteSource {
public:
    using MemoryByteSource::MemoryByteSource;
    size_t Read(void* buffer, size_t size) override
    {
        const size_t copied = MemoryByteSource::Read(buffer, size);
        fetched += copied;
        return copied;
    }
    uint64_t fetched = 0;
};

void ExpectInvalid(const Bytes& file, const std::string& what)
{
    const Loaded loaded = Load(file);
    EXPECT_EQ(loaded.status, RgbStatus::kInvalidFile) << what;
    EXPECT_EQ(loaded.image, nullptr) << what;
}

// A run-length file of side x side pixels whose every row of every channel is one stored row
// of runs of 7: valid rows, only shared, so a file of a few hundred KB describes 1 GiB.
Bytes SharedRowFile(uint16_t side, uint16_t channels)
{
    Bytes row;
    for (size_t left = side; left > 0; left -= std::min<size_t>(left, 127))
        row.insert(row.end(), {uint8_t(std::min<size_t>(left, 127)), 7});
    row.push_back(0);
    RgbFields fields;
    fields.runLength = true;
    fields.xsize = fields.ysize = side;
    fields.zsize = channels;
    Bytes file = MakeRgbHeader(fields);
    const uint32_t entries = uint32_t(channels) * side;
    for (uint32_t i = 0; i < entries; ++i)
        Put32(file, 512 + 8 * entries, true);
    for (uint32_t i = 0; i < entries; ++i)
        Put32(file, uint32_t(row.size()), true);
    file.insert(file.end(), row.begin(), row.end());
    return file;
}

// The 2 x 2 picture whose planes are 1 2 3 4, 5 6 7 8, 9 10 11 12.
const Bytes kPlanes = CountingBytes(12, 1);
const Bytes kPixels = {1, 5, 9, 2, 6, 10, 3, 7, 11, 4, 8, 12};

}  // namespace

TEST(RgbReader, ReadsVerbatimFilesInBothByteOrders)
{
    for (const bool bigEndian : {true, false}) {
        RgbFields fields;
        fields.bigEndian = bigEndian;
        const Loaded loaded = Load(MakeRgbVerbatim(fields, kPlanes));
        ASSERT_EQ(loaded.status, RgbStatus::kOk) << bigEndian;
        ASSERT_NE(loaded.image, nullptr);
        EXPECT_EQ(loaded.image->width, 2);
        EXPECT_EQ(loaded.image->height, 2);
        EXPECT_EQ(loaded.Pixels(), kPixels) << "bigEndian " << bigEndian;
    }
    // The low byte of `type` is the depth; only 2 (two bytes per channel) is refused, not 3.
    // The high byte is the storage: only 1 is run-length, 2 is verbatim.
    RgbFields deep;
    deep.bytesPerChannel = 2;
    ExpectInvalid(MakeRgbVerbatim(deep, CountingBytes(24)), "two bytes per channel");
    deep.bytesPerChannel = 3;
    Bytes file = MakeRgbVerbatim(deep, kPlanes);
    EXPECT_EQ(Load(file).Pixels(), kPixels) << "depth 3";
    file[2] = 2;
    EXPECT_EQ(Load(file).Pixels(), kPixels) << "storage 2";
}

TEST(RgbReader, ReadsRunLengthFilesInBothByteOrders)
{
    for (const bool bigEndian : {true, false}) {
        RgbFields fields;
        fields.bigEndian = bigEndian;
        // Row 0 of channel 0 as a run: 01 02 is stored as a literal; row 1 of channel 1 as
        // two one-byte runs.
        std::vector<Bytes> rows = PackRows(kPlanes, 2);
        rows[3] = {0x01, 7, 0x01, 8, 0x00};
        const Loaded loaded = Load(MakeRgbRunLength(fields, rows));
        ASSERT_EQ(loaded.status, RgbStatus::kOk) << bigEndian;
        EXPECT_EQ(loaded.Pixels(), kPixels) << "bigEndian " << bigEndian;
    }
}

TEST(RgbReader, DecodesPacketsOfARow)
{
    RgbFields fields;
    fields.xsize = 5;
    fields.ysize = 1;
    fields.zsize = 1;
    const Bytes file = MakeRgbRunLength(fields, {{0x83, 0x0A, 0x0B, 0x0C, 0x02, 0x07, 0x00}});
    MemoryByteSource source(file.data(), file.size());
    RgbStatus status;
    RgbFile* rgbFile = OpenRgbFile(source, &status);
    ASSERT_NE(rgbFile, nullptr);
    uint8_t row[5] = {};
    EXPECT_EQ(ReadRgbRow(rgbFile, row, 0, 0), RgbStatus::kOk);
    EXPECT_EQ(Bytes(row, row + 5), (Bytes{0x0A, 0x0B, 0x0C, 0x07, 0x07}));
    // Rows and channels outside the picture are refused, not read.
    EXPECT_EQ(ReadRgbRow(rgbFile, row, 1, 0), RgbStatus::kInvalidFile);
    EXPECT_EQ(ReadRgbRow(rgbFile, row, -1, 0), RgbStatus::kInvalidFile);
    EXPECT_EQ(ReadRgbRow(rgbFile, row, 0, 1), RgbStatus::kInvalidFile);
    CloseRgbFile(rgbFile);

    // A row that fills its width exactly may end with its stored bytes instead of a 0 packet.
    EXPECT_EQ(Load(MakeRgbRunLength(fields, {{0x83, 1, 2, 3, 0x02, 4}})).Pixels(),
              (Bytes{1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 4, 4, 4}));
}

TEST(RgbReader, GreyAndFourChannelFiles)
{
    // One or two channels: channel 0 is grey and gives red, green and blue.
    for (const uint16_t channels : {1, 2}) {
        RgbFields fields;
        fields.zsize = channels;
        const Bytes planes = CountingBytes(4 * channels, 1);
        const Bytes grey = {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4};
        EXPECT_EQ(Load(MakeRgbVerbatim(fields, planes)).Pixels(), grey) << channels;
        EXPECT_EQ(Load(MakeRgbRunLength(fields, PackRows(planes, 2))).Pixels(), grey)
            << channels;
    }
    // A fourth channel (alpha) is never read: the pixels are those of the first three.
    RgbFields fields;
    fields.zsize = 4;
    const Bytes planes = CountingBytes(16, 1);
    EXPECT_EQ(Load(MakeRgbVerbatim(fields, planes)).Pixels(), kPixels);
    EXPECT_EQ(Load(MakeRgbRunLength(fields, PackRows(planes, 2))).Pixels(), kPixels);
}

TEST(RgbReader, RefusesBadHeaders)
{
    // The magic 474 one step off, and other values, in a file of either byte order.
    for (const bool bigEndian : {true, false})
        for (const uint16_t magic : {0, 473, 475, 0xDADA}) {
            RgbFields fields;
            fields.bigEndian = bigEndian;
            fields.magic = magic;
            ExpectInvalid(MakeRgbVerbatim(fields, kPlanes),
                          "magic " + std::to_string(magic) + (bigEndian ? " big" : " little"));
        }

    const auto variant = [](auto change) {
        RgbFields fields;
        change(fields);
        return MakeRgbVerbatim(fields, CountingBytes(64));
    };
    ExpectInvalid(variant([](RgbFields& f) { f.zsize = 0; }), "zsize 0");
    ExpectInvalid(variant([](RgbFields& f) { f.xsize = 0; }), "xsize 0");
    ExpectInvalid(variant([](RgbFields& f) { f.ysize = 0; }), "ysize 0");
    EXPECT_EQ(Load(variant([](RgbFields& f) { f.xsize = 1; })).status, RgbStatus::kOk);

    // The size cap applies before any buffer is sized from the header.
    RgbFields wide;
    wide.xsize = kMaxImageDimension + 1;
    wide.ysize = 1;
    wide.zsize = 1;
    ExpectInvalid(MakeRgbVerbatim(wide, Bytes(wide.xsize, 9)), "xsize over the cap");
    // Smaller caps: each side, then the pixel count, at the cap and one past it.
    for (const auto& [x, y] : {std::pair{8, 1}, std::pair{1, 8}}) {
        wide.xsize = uint16_t(x);
        wide.ysize = uint16_t(y);
        const Bytes file8 = MakeRgbVerbatim(wide, Bytes(8, 9));
        EXPECT_EQ(Load(file8, 8).status, RgbStatus::kOk) << x;
        EXPECT_EQ(Load(file8, 7).status, RgbStatus::kInvalidFile) << x;
        EXPECT_EQ(Load(file8, 8, 8).status, RgbStatus::kOk) << x;
        EXPECT_EQ(Load(file8, 8, 7).status, RgbStatus::kInvalidFile) << x;
    }
}

TEST(RgbReader, RefusesEveryTruncation)
{
    RgbFields fields;
    const Bytes verbatim = MakeRgbVerbatim(fields, kPlanes);
    const Bytes runLength = MakeRgbRunLength(fields, PackRows(kPlanes, 2));
    for (const Bytes* file : {&verbatim, &runLength}) {
        ASSERT_EQ(Load(*file).status, RgbStatus::kOk);
        for (size_t length = 0; length < file->size(); ++length)
            ExpectInvalid(Bytes(file->begin(), file->begin() + long(length)),
                          "prefix " + std::to_string(length) + " of " +
                              std::to_string(file->size()));
    }
}

TEST(RgbReader, RefusesDamagedRunLengthData)
{
    RgbFields fields;
    fields.xsize = 4;
    fields.ysize = 1;
    fields.zsize = 1;
    const auto withRow = [&](const Bytes& row) { return MakeRgbRunLength(fields, {row}); };
    ASSERT_EQ(Load(withRow({0x04, 5, 0})).status, RgbStatus::kOk);

    ExpectInvalid(withRow({0x05, 5, 0}), "run past the width");
    ExpectInvalid(withRow({0x85, 1, 2, 3, 4, 5, 0}), "literal past the width");
    ExpectInvalid(withRow({0x02, 5, 0x03, 6, 0}), "second packet past the width");
    ExpectInvalid(withRow({0x03, 5, 0}), "row too short");
    ExpectInvalid(withRow({0}), "empty row");
    ExpectInvalid(withRow({0x84, 1, 2}), "literal beyond the stored row");
    ExpectInvalid(withRow({0x02, 5, 0x02}), "run without its value");

    // Decoded into a row with guard bytes after it, so an overrun fails in every build, not
    // only under the sanitizer: only a row that decodes to exactly the width is taken, and
    // nothing is written past it.
    const std::pair<Bytes, RgbStatus> rows[] = {
        {{0x04, 5, 0}, RgbStatus::kOk},
        {{0x84, 1, 2, 3, 4, 0}, RgbStatus::kOk},
        {{0x84, 1, 2, 3, 4}, RgbStatus::kOk},          // the literal ends the stored row
        {{0x84, 1, 2, 3}, RgbStatus::kInvalidFile},    // one byte short of its count
        {{0x83, 1, 2, 3, 0}, RgbStatus::kInvalidFile}, // one pixel short of the width
        {{0x02, 5, 0x02, 6}, RgbStatus::kOk},          // the second run fills the width
        {{0x05, 5, 0}, RgbStatus::kInvalidFile},
        {{0x7F, 5, 0}, RgbStatus::kInvalidFile},
        {{0x85, 1, 2, 3, 4, 5, 0}, RgbStatus::kInvalidFile},
        {{0x02, 5, 0x03, 6, 0}, RgbStatus::kInvalidFile},
        {{0x03, 5, 0x82, 6, 7, 0}, RgbStatus::kInvalidFile},
        // Four one-pixel packets fill the row; a fifth in the bytes decoding reads is refused.
        {{0x01, 1, 0x01, 2, 0x01, 3, 0x01, 4, 0x01, 5, 0}, RgbStatus::kInvalidFile},
    };
    for (const auto& [row, expected] : rows) {
        const Bytes file = withRow(row);
        MemoryByteSource source(file.data(), file.size());
        RgbStatus status;
        RgbFile* rgbFile = OpenRgbFile(source, &status);
        ASSERT_NE(rgbFile, nullptr);
        uint8_t guarded[4 + 16];
        std::fill(std::begin(guarded), std::end(guarded), 0xCD);
        EXPECT_EQ(ReadRgbRow(rgbFile, guarded, 0, 0), expected) << int(row[0]);
        EXPECT_EQ(Bytes(guarded + 4, std::end(guarded)), Bytes(16, 0xCD)) << int(row[0]);
        CloseRgbFile(rgbFile);
    }

    // Table entries: a length beyond the packed-row buffer (256 x xsize bytes), a start or
    // an end beyond the file, a start near 2^32 whose end wraps around in 32 bits.
    const size_t startEntry = 512;
    const size_t lengthEntry = 516;
    Bytes file = withRow({0x04, 5, 0});
    Poke32(file, lengthEntry, 256 * 4 + 1, true);
    file.resize(file.size() + 256 * 4 + 1, 0);
    ExpectInvalid(file, "length over the packed-row buffer");
    file = withRow({0x04, 5, 0});
    Poke32(file, startEntry, uint32_t(file.size()), true);
    ExpectInvalid(file, "start at the end");
    file = withRow({0x04, 5, 0});
    Poke32(file, lengthEntry, 4, true);
    ExpectInvalid(file, "end past the file");
    file = withRow({0x04, 5, 0});
    Poke32(file, startEntry, 0xFFFFFFFE, true);
    ExpectInvalid(file, "start near 4 GiB");
    // A stored row ending exactly at the end of the file is read; one byte longer is refused,
    // also when it is longer than the bytes decoding reads (2 x xsize + 1).
    for (const size_t stored : {3, 2 * 4 + 2}) {
        Bytes row = {0x04, 5, 0};
        row.resize(stored, 0xEE);
        file = withRow(row);
        EXPECT_EQ(Load(file).status, RgbStatus::kOk) << stored;
        Poke32(file, lengthEntry, uint32_t(stored + 1), true);
        ExpectInvalid(file, "a row one byte past the end, stored " + std::to_string(stored));
    }

    // Tables larger than the file (ysize x zsize entries each) are refused before allocation.
    RgbFields tall = fields;
    tall.ysize = kMaxImageDimension;
    tall.zsize = 0xFFFF;
    tall.runLength = true;
    ExpectInvalid(MakeRgbHeader(tall), "tables beyond the file");

    // Rows may share stored bytes (identical rows stored once) and lie anywhere in the file.
    file = MakeRgbRunLength(RgbFields{}, PackRows(Bytes(12, 3), 2));
    for (uint32_t i = 1; i < 6; ++i)
        Poke32(file, 512 + 4 * i, 512 + 48, true);
    EXPECT_EQ(Load(file).Pixels(), Bytes(12, 3));
}

TEST(RgbReader, FetchesOnlyWhatThePictureNeeds)
{
    // The header, the two table entries of each row of the (at most three) channels read,
    // and per row at most 2 x xsize + 1 stored bytes: a row of one-byte packets and its 0.
    const auto mostNeeded = [](const RgbFields& f) {
        const uint64_t rows = 3 * uint64_t(f.ysize);
        return 12 + rows * 8 + rows * (2 * uint64_t(f.xsize) + 1);
    };
    const auto fetch = [](const Bytes& file, Bytes* pixels) {
        CountingSource source(file.data(), file.size());
        RgbStatus status;
        const std::unique_ptr<RgbImage> image = LoadRgbImage(source, &status);
        *pixels = image ? Bytes(image->pixels,
                                image->pixels + size_t(image->width) * image->height * 3)
                        : Bytes();
        return source.fetched;
    };
    Bytes pixels;

    // 4096 channels: only the tables of channels 0 to 2 are read, not all 8192 entries each.
    RgbFields channels;
    channels.zsize = 4096;
    const Bytes planes = CountingBytes(4 * channels.zsize, 1);
    EXPECT_LE(fetch(MakeRgbRunLength(channels, PackRows(planes, 2)), &pixels),
              mostNeeded(channels));
    EXPECT_EQ(pixels, kPixels);

    // Every row stored with the largest length allowed (256 x xsize bytes), all sharing one
    // stored row that ends early with its 0 packet: the tail after it is never fetched.
    RgbFields shared;
    shared.xsize = 4;
    shared.ysize = 64;
    Bytes stored = {0x04, 9, 0};
    stored.resize(256 * shared.xsize, 0xEE);
    Bytes file = MakeRgbRunLength(shared, std::vector<Bytes>(3 * shared.ysize, stored));
    for (uint32_t i = 1; i < 3u * shared.ysize; ++i)
        Poke32(file, 512 + 4 * i, 512 + 8 * 3 * shared.ysize, true);
    file.resize(512 + 8 * 3 * shared.ysize + stored.size());
    EXPECT_LE(fetch(file, &pixels), mostNeeded(shared));
    EXPECT_EQ(pixels, Bytes(3 * 4 * 64, 9));

    // The picture is bounded, not only its sides: 16384 x 16384 from one shared stored row
    // (129 KB grey, 385 KB in three channels) would take 768 MiB, then 1 GiB as RGBA. It is
    // refused from the header, before a table entry or a row is read or a buffer sized. At
    // 4096 x 4096, the most pixels allowed, the same file loads.
    for (const uint16_t channels : {1, 3}) {
        EXPECT_EQ(fetch(SharedRowFile(16384, channels), &pixels), 12u) << channels;
        EXPECT_TRUE(pixels.empty());
        fetch(SharedRowFile(4096, channels), &pixels);
        EXPECT_EQ(pixels.size(), 4096u * 4096 * 3) << channels;
    }
    RgbFields wide;
    wide.xsize = 16384;
    wide.ysize = 1025;
    wide.zsize = 1;
    ExpectInvalid(MakeRgbVerbatim(wide, Bytes(size_t(16384) * 1025, 9)), "one row over the cap");
}
