// The BMP reader on byte buffers: the accepted layout, every rejected header variant, files
// that end early at any byte, and sizes that must be refused before anything is allocated.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "TextureTestFiles.h"
#include "texture/BmpReader.h"
#include "texture/MemoryByteSource.h"

using namespace texture_test;

namespace {

BmpStatus Read(const Bytes& file, BmpPicture* picture, int32_t maxDimension = kMaxImageDimension)
{
    MemoryByteSource source(file.data(), file.size());
    return ReadBmp(source, picture, maxDimension);
}

// Reads a file that must be refused and checks that nothing is left behind.
void ExpectInvalid(const Bytes& file, const char* what)
{
    BmpPicture picture;
    EXPECT_EQ(Read(file, &picture), BmpStatus::kInvalidFormat) << what;
    EXPECT_EQ(picture.pixels, nullptr) << what;
    EXPECT_EQ(picture.width, 0) << what;
    EXPECT_EQ(picture.height, 0) << what;
    std::free(picture.pixels);
}

// A file of `size` bytes that holds `head` and then zeros, as a sparse file does, without the
// memory; counts the bytes the reader fetches.
class SparseSource : public ByteSource {
public:
    SparseSource(Bytes head, uint64_t size) : head(std::move(head)), size(size) {}
    bool Seek(uint64_t offset) override
    {
        if (offset > size)
            return false;
        position = offset;
        return true;
    }
    size_t Read(void* buffer, size_t count) override
    {
        const size_t copied = size_t(std::min<uint64_t>(count, size - position));
        uint8_t* out = static_cast<uint8_t*>(buffer);
        for (size_t i = 0; i < copied; ++i, ++position)
            out[i] = position < head.size() ? head[size_t(position)] : 0;
        fetched += copied;
        return copied;
    }
    uint64_t Size() const override { return size; }

    uint64_t fetched = 0;

private:
    Bytes head;
    uint64_t size;
    uint64_t position = 0;
};

}  // namespace

TEST(BmpReader, KeepsStoredRowOrderAndByteOrder)
{
    // 3 x 2: no row padding is allowed, so width 3 gives 9-byte rows back to back.
    BmpFields fields;
    fields.width = 3;
    fields.height = 2;
    const Bytes pixels = CountingBytes(18, 10);
    BmpPicture picture;
    ASSERT_EQ(Read(MakeBmp(fields, pixels), &picture), BmpStatus::kOk);
    EXPECT_EQ(picture.width, 3);
    EXPECT_EQ(picture.height, 2);
    ASSERT_NE(picture.pixels, nullptr);
    EXPECT_EQ(Bytes(picture.pixels, picture.pixels + 18), pixels);  // bottom row first, BGR
    std::free(picture.pixels);

    // The pixel data starts where the file header says, not right after the headers.
    fields.dataOffset = 70;
    ASSERT_EQ(Read(MakeBmp(fields, pixels), &picture), BmpStatus::kOk);
    EXPECT_EQ(Bytes(picture.pixels, picture.pixels + 18), pixels);
    std::free(picture.pixels);
}

TEST(BmpReader, TakesEachHeaderFieldOnlyAtItsRequiredValue)
{
    // Each field at its required value or bound and one step to either side, and the other
    // values writers use. The pixel data is never shorter than the picture, so a refusal is
    // the field's own.
    const struct {
        const char* what;
        void (*change)(BmpFields&);
        bool accepted;
    } kRows[] = {
        {"as built", [](BmpFields&) {}, true},
        {"type BA", [](BmpFields& f) { f.type = 0x4142; }, false},
        {"type MB", [](BmpFields& f) { f.type = 0x424D; }, false},
        {"type BM - 1", [](BmpFields& f) { f.type = 0x4D41; }, false},
        {"type BM + 1", [](BmpFields& f) { f.type = 0x4D43; }, false},
        {"core header", [](BmpFields& f) { f.headerSize = 12; }, false},
        {"header 39", [](BmpFields& f) { f.headerSize = 39; }, false},
        {"header 41", [](BmpFields& f) { f.headerSize = 41; }, false},
        {"v4 header", [](BmpFields& f) { f.headerSize = 108; }, false},
        {"v5 header", [](BmpFields& f) { f.headerSize = 124; }, false},
        {"no planes", [](BmpFields& f) { f.planes = 0; }, false},
        {"two planes", [](BmpFields& f) { f.planes = 2; }, false},
        {"8 bits", [](BmpFields& f) { f.bitsPerPixel = 8; }, false},
        {"23 bits", [](BmpFields& f) { f.bitsPerPixel = 23; }, false},
        {"25 bits", [](BmpFields& f) { f.bitsPerPixel = 25; }, false},
        {"32 bits", [](BmpFields& f) { f.bitsPerPixel = 32; }, false},
        {"RLE8", [](BmpFields& f) { f.compression = 1; }, false},
        {"bit fields", [](BmpFields& f) { f.compression = 3; }, false},
        {"image size 0", [](BmpFields& f) { f.imageSize = 0; }, false},
        {"image size 11", [](BmpFields& f) { f.imageSize = 11; }, false},
        {"image size 13", [](BmpFields& f) { f.imageSize = 13; }, false},
        {"width 1", [](BmpFields& f) { f.width = 1; }, true},
        {"height 1", [](BmpFields& f) { f.height = 1; }, true},
        {"width 0", [](BmpFields& f) { f.width = 0; }, false},
        {"height 0", [](BmpFields& f) { f.height = 0; }, false},
        {"width -1", [](BmpFields& f) { f.width = -1; }, false},
        {"top-down", [](BmpFields& f) { f.height = -1; }, false},
        {"width -2", [](BmpFields& f) { f.width = -2; }, false},
        {"height -2", [](BmpFields& f) { f.height = -2; }, false},
    };
    for (const auto& row : kRows) {
        BmpFields fields;
        row.change(fields);
        const int64_t size = std::max<int64_t>(fields.imageSize, 12);
        const Bytes file = MakeBmp(fields, CountingBytes(size_t(size)));
        if (!row.accepted) {
            ExpectInvalid(file, row.what);
            continue;
        }
        BmpPicture picture;
        EXPECT_EQ(Read(file, &picture), BmpStatus::kOk) << row.what;
        std::free(picture.pixels);
    }

    // Width 3 written with rows padded to 4-byte multiples (12 bytes per row).
    BmpFields padded;
    padded.width = 3;
    padded.height = 2;
    padded.imageSize = 24;
    ExpectInvalid(MakeBmp(padded, CountingBytes(24)), "padded rows");
}

TEST(BmpReader, RefusesEveryTruncation)
{
    // Every prefix of a valid file ends inside the file header, the information header or the
    // pixel data; none may be accepted.
    BmpFields fields;
    fields.width = 4;
    fields.height = 2;
    const Bytes file = MakeBmp(fields, CountingBytes(24));
    BmpPicture picture;
    ASSERT_EQ(Read(file, &picture), BmpStatus::kOk);
    std::free(picture.pixels);
    for (size_t length = 0; length < file.size(); ++length)
        ExpectInvalid(Bytes(file.begin(), file.begin() + long(length)),
                      ("prefix " + std::to_string(length)).c_str());

    // The data offset: the pixels may end at the end of the file (offset 54 here), not one
    // byte past it; a refused offset is known from the headers, before any pixel is read.
    for (const uint32_t offset : {53u, 55u, 78u, 0x7FFFFFF0u, 0xFFFFFFFFu}) {
        Bytes moved = file;
        Poke32(moved, 10, offset);
        SparseSource source(moved, moved.size());
        const bool accepted = offset < 55;
        EXPECT_EQ(ReadBmp(source, &picture), accepted ? BmpStatus::kOk : BmpStatus::kInvalidFormat)
            << "offset " << offset;
        EXPECT_TRUE(accepted || source.fetched <= 54) << "offset " << offset;
        std::free(picture.pixels);
    }
}

TEST(BmpReader, RefusesSizesBeyondTheCapOrOverflowing)
{
    // Products that wrap around in 32 bits must not match a small image-size field.
    BmpFields fields;
    fields.width = 0x40000000;
    fields.height = 2;
    fields.imageSize = 0x80000000;  // 2^30 x 2 x 3 modulo 2^32
    ExpectInvalid(MakeBmp(fields, {}), "width 2^30");
    fields.width = 65536;
    fields.height = 65536;
    fields.imageSize = 0;  // 65536 x 65536 x 3 is 0 modulo 2^32
    ExpectInvalid(MakeBmp(fields, {}), "65536 squared");
    fields.width = 0x55555556;
    fields.height = 1;
    fields.imageSize = 2;  // 0x55555556 x 3 modulo 2^32
    ExpectInvalid(MakeBmp(fields, CountingBytes(2)), "width x 3 wraps to 2");

    // The cap, with honest image-size fields: just over it is refused even though the
    // header is otherwise consistent; a claimed size the file does not hold is refused too.
    fields.width = kMaxImageDimension + 1;
    fields.height = 1;
    fields.imageSize = -1;
    ExpectInvalid(MakeBmp(fields, CountingBytes(size_t(fields.width) * 3)), "width over cap");
    fields.width = kMaxImageDimension;
    fields.height = kMaxImageDimension;
    ExpectInvalid(MakeBmp(fields, {}), "largest size, no data");

    // Memory: the picture, not only its sides, is bounded. A valid 16384 x 16384 file with all
    // its pixel data (768 MiB) is refused from its headers alone, before any allocation; the
    // largest picture allowed, 4096 x 4096 or any other shape of as many pixels, loads.
    const auto readSparse = [](int32_t width, int32_t height, BmpPicture* picture) {
        BmpFields sides;
        sides.width = width;
        sides.height = height;
        SparseSource source(MakeBmp(sides, {}), 54 + uint64_t(width) * uint64_t(height) * 3);
        const BmpStatus status = ReadBmp(source, picture);
        return std::make_pair(status, source.fetched);
    };
    BmpPicture picture;
    auto [status, fetched] = readSparse(16384, 16384, &picture);
    EXPECT_EQ(status, BmpStatus::kInvalidFormat);
    EXPECT_EQ(picture.pixels, nullptr);
    EXPECT_LE(fetched, 54u) << "only the headers are read";
    EXPECT_EQ(readSparse(4097, 4096, &picture).first, BmpStatus::kInvalidFormat);
    for (const auto& [width, height] : {std::pair{4096, 4096}, std::pair{16384, 1024}}) {
        EXPECT_EQ(readSparse(width, height, &picture).first, BmpStatus::kOk) << width;
        std::free(picture.pixels);
    }

    // A smaller cap, as the fuzz targets use it: each side at it and one past it.
    for (const auto& [width, height] : {std::pair{4, 1}, std::pair{5, 1}, std::pair{1, 4},
                                        std::pair{1, 5}}) {
        fields.width = width;
        fields.height = height;
        EXPECT_EQ(Read(MakeBmp(fields, CountingBytes(size_t(width * height * 3))), &picture, 4),
                  width * height == 4 ? BmpStatus::kOk : BmpStatus::kInvalidFormat)
            << width << " x " << height;
        std::free(picture.pixels);
    }
    fields.width = 4;
    fields.height = 2;
    const Bytes file = MakeBmp(fields, CountingBytes(24));
    MemoryByteSource atCap(file.data(), file.size());
    EXPECT_EQ(ReadBmp(atCap, &picture, 4, 8), BmpStatus::kOk);
    std::free(picture.pixels);
    MemoryByteSource overCap(file.data(), file.size());
    EXPECT_EQ(ReadBmp(overCap, &picture, 4, 7), BmpStatus::kInvalidFormat);
}
