// texture_bench: decoding speed of the texture readers. A 1024 x 1024 24-bit BMP is decoded by
// our reader and by stb_image in the same run, from the file and from memory, each to raw
// pixels and to the RGBA block a texture uploads; a run-length SGI RGB of the same picture is
// decoded by our RGB reader. Rates are picture bytes (width x height x 3) per second, in MB/s
// (10^6 bytes), best of several rounds. Both decoders' pixels are compared once first.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "texture/BmpReader.h"
#include "texture/FileByteSource.h"
#include "texture/MemoryByteSource.h"
#include "texture/RgbReader.h"
#include "texture/Texture.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kSize = 1024;      // pixels per side
constexpr int kRounds = 40;      // timed decodes per case; the fastest counts
constexpr double kPictureBytes = double(kSize) * kSize * 3;

// A picture with flat areas (checker cells) and busy ones (gradients), so that run-length
// storage meets both runs and literals. Row 0 is the bottom row; red, green, blue.
uint8_t Channel(int x, int y, int c)
{
    if (((x / 64) + (y / 64)) % 2 == 0)
        return uint8_t(40 + 60 * c + ((x / 64) * 13) % 50);
    return uint8_t((x * (c + 1) + y * (3 - c)) >> 2);
}

void PutLittle(Bytes& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

void PutBig(Bytes& out, uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(uint8_t(value >> (8 * i)));
}

Bytes MakeBmp()
{
    Bytes out;
    const uint32_t imageSize = uint32_t(kPictureBytes);
    out.push_back('B');
    out.push_back('M');
    PutLittle(out, 54 + imageSize, 4);
    PutLittle(out, 0, 4);
    PutLittle(out, 54, 4);
    PutLittle(out, 40, 4);
    PutLittle(out, kSize, 4);
    PutLittle(out, kSize, 4);
    PutLittle(out, 1, 2);
    PutLittle(out, 24, 2);
    PutLittle(out, 0, 4);
    PutLittle(out, imageSize, 4);
    PutLittle(out, 0, 16);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            for (int c = 2; c >= 0; --c)
                out.push_back(Channel(x, y, c));
    return out;
}

// One row packed: runs of 3 or more equal bytes as run packets, the rest as literals.
Bytes PackRow(const Bytes& row)
{
    Bytes out;
    size_t i = 0;
    while (i < row.size()) {
        size_t run = 1;
        while (i + run < row.size() && run < 127 && row[i + run] == row[i])
            ++run;
        if (run >= 3) {
            out.push_back(uint8_t(run));
            out.push_back(row[i]);
            i += run;
            continue;
        }
        size_t literal = 0;
        while (i + literal < row.size() && literal < 127 &&
               !(i + literal + 2 < row.size() && row[i + literal] == row[i + literal + 1] &&
                 row[i + literal] == row[i + literal + 2]))
            ++literal;
        literal = std::max<size_t>(literal, 1);
        out.push_back(uint8_t(0x80 | literal));
        out.insert(out.end(), row.begin() + long(i), row.begin() + long(i + literal));
        i += literal;
    }
    out.push_back(0);
    return out;
}

Bytes MakeRunLengthRgb()
{
    Bytes out;
    PutBig(out, 474, 2);
    PutBig(out, 0x0101, 2);  // run-length, one byte per channel
    PutBig(out, 3, 2);
    PutBig(out, kSize, 2);
    PutBig(out, kSize, 2);
    PutBig(out, 3, 2);
    out.resize(512, 0);
    std::vector<Bytes> rows;
    for (int c = 0; c < 3; ++c) {
        for (int y = 0; y < kSize; ++y) {
            Bytes row(kSize);
            for (int x = 0; x < kSize; ++x)
                row[size_t(x)] = Channel(x, y, c);
            rows.push_back(PackRow(row));
        }
    }
    uint32_t start = uint32_t(512 + 8 * rows.size());
    for (const Bytes& row : rows) {
        PutBig(out, start, 4);
        start += uint32_t(row.size());
    }
    for (const Bytes& row : rows)
        PutBig(out, uint32_t(row.size()), 4);
    for (const Bytes& row : rows)
        out.insert(out.end(), row.begin(), row.end());
    return out;
}

bool WriteFile(const std::string& path, const Bytes& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// Fastest of kRounds runs, in MB/s of picture bytes; 0 when a decode fails.
double Rate(const std::function<bool()>& decode)
{
    double best = 1e30;
    for (int i = 0; i < kRounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!decode())
            return 0.0;
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return kPictureBytes / best / 1e6;
}

// Our BMP path as a texture runs it: decode, then expand to RGBA (optional).
bool OurBmp(ByteSource& source, bool rgba)
{
    BmpPicture picture;
    if (ReadBmp(source, &picture) != BmpStatus::kOk)
        return false;
    bool ok = true;
    if (rgba)
        ok = ExpandToRgba(&picture.pixels, int64_t(picture.width) * picture.height, true) ==
             kResultOk;
    std::free(picture.pixels);
    return ok;
}

bool OurRgb(ByteSource& source, bool rgba)
{
    RgbStatus status;
    std::unique_ptr<RgbImage> image = LoadRgbImage(source, &status);
    if (!image)
        return false;
    return !rgba || ExpandToRgba(&image->pixels, int64_t(image->width) * image->height,
                                 false) == kResultOk;
}

bool StbFile(const std::string& path, int components)
{
    int width, height, channels;
    stbi_uc* pixels = stbi_load(path.c_str(), &width, &height, &channels, components);
    stbi_image_free(pixels);
    return pixels != nullptr;
}

bool StbMemory(const Bytes& file, int components)
{
    int width, height, channels;
    stbi_uc* pixels = stbi_load_from_memory(file.data(), int(file.size()), &width, &height,
                                            &channels, components);
    stbi_image_free(pixels);
    return pixels != nullptr;
}

// Our RGBA against stb_image's: the same colours, with stb's rows top first.
bool SamePixels(const Bytes& bmp, const Bytes& rgb)
{
    MemoryByteSource bmpSource(bmp.data(), bmp.size());
    BmpPicture picture;
    if (ReadBmp(bmpSource, &picture) != BmpStatus::kOk ||
        ExpandToRgba(&picture.pixels, int64_t(kSize) * kSize, true) != kResultOk)
        return false;
    MemoryByteSource rgbSource(rgb.data(), rgb.size());
    RgbStatus status;
    std::unique_ptr<RgbImage> image = LoadRgbImage(rgbSource, &status);
    int width, height, channels;
    stbi_uc* reference =
        stbi_load_from_memory(bmp.data(), int(bmp.size()), &width, &height, &channels, 3);
    bool same = reference && image && width == kSize && height == kSize;
    for (int y = 0; same && y < kSize; ++y) {
        for (int x = 0; same && x < kSize; ++x) {
            const uint8_t* ours = picture.pixels + (size_t(y) * kSize + size_t(x)) * 4;
            const uint8_t* fromRgb = image->pixels + (size_t(y) * kSize + size_t(x)) * 3;
            const uint8_t* theirs = reference + (size_t(kSize - 1 - y) * kSize + size_t(x)) * 3;
            same = std::memcmp(ours, theirs, 3) == 0 && std::memcmp(fromRgb, theirs, 3) == 0 &&
                   ours[3] == 128;
        }
    }
    stbi_image_free(reference);
    std::free(picture.pixels);
    return same;
}

}  // namespace

int main()
{
    const Bytes bmp = MakeBmp();
    const Bytes rgb = MakeRunLengthRgb();
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    const std::string bmpPath = (dir / "corvane-bench-1024.bmp").string();
    const std::string rgbPath = (dir / "corvane-bench-1024.rgb").string();
    if (!WriteFile(bmpPath, bmp) || !WriteFile(rgbPath, rgb)) {
        std::fprintf(stderr, "texture_bench: cannot write into %s\n", dir.string().c_str());
        return 1;
    }
    if (!SamePixels(bmp, rgb)) {
        std::fprintf(stderr, "texture_bench: the decoders disagree\n");
        return 1;
    }

    std::printf("%d x %d, 24-bit BMP %zu bytes, run-length SGI RGB %zu bytes\n", kSize, kSize,
                bmp.size(), rgb.size());
    std::printf("rates in MB/s of picture bytes (%.0f per decode), best of %d\n\n",
                kPictureBytes, kRounds);
    struct Case {
        const char* name;
        std::function<bool()> decode;
    };
    const auto ourBmpFile = [&](bool rgba) {
        FileByteSource file(bmpPath.c_str());
        return OurBmp(file, rgba);
    };
    const auto ourBmpMemory = [&](bool rgba) {
        MemoryByteSource memory(bmp.data(), bmp.size());
        return OurBmp(memory, rgba);
    };
    const auto ourRgbFile = [&](bool rgba) {
        FileByteSource file(rgbPath.c_str());
        return OurRgb(file, rgba);
    };
    const auto ourRgbMemory = [&](bool rgba) {
        MemoryByteSource memory(rgb.data(), rgb.size());
        return OurRgb(memory, rgba);
    };
    const Case cases[] = {
        {"BMP file -> RGBA        ours", [&] { return ourBmpFile(true); }},
        {"BMP file -> RGBA        stb_image", [&] { return StbFile(bmpPath, 4); }},
        {"BMP file -> raw         ours (BGR)", [&] { return ourBmpFile(false); }},
        {"BMP file -> raw         stb_image (RGB)", [&] { return StbFile(bmpPath, 3); }},
        {"BMP memory -> RGBA      ours", [&] { return ourBmpMemory(true); }},
        {"BMP memory -> RGBA      stb_image", [&] { return StbMemory(bmp, 4); }},
        {"RGB (RLE) file -> RGBA  ours", [&] { return ourRgbFile(true); }},
        {"RGB (RLE) file -> raw   ours", [&] { return ourRgbFile(false); }},
        {"RGB (RLE) memory -> raw ours", [&] { return ourRgbMemory(false); }},
    };
    int status = 0;
    for (const Case& c : cases) {
        const double rate = Rate(c.decode);
        std::printf("%-40s %8.0f MB/s\n", c.name, rate);
        if (rate == 0.0)
            status = 1;
    }
    std::filesystem::remove(bmpPath);
    std::filesystem::remove(rgbPath);
    return status;
}
