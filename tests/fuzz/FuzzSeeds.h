// The seed corpus of the reader fuzzers: small valid files of each layout the readers accept
// (both byte orders, verbatim and run-length, grey and four channels), near misses and damaged
// headers and tables. Each seed is under 1 KiB. corvane_fuzz_seeds writes them for the
// fuzzers; the replay tests run them through the fuzz targets in every build.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "TextureTestFiles.h"

namespace texture_test {

struct FuzzSeed {
    std::string reader;  // "bmp" or "rgb"
    std::string name;
    Bytes bytes;
};

inline std::vector<FuzzSeed> FuzzSeeds()
{
    std::vector<FuzzSeed> seeds;
    BmpFields square;
    seeds.push_back({"bmp", "2x2", MakeBmp(square, CountingBytes(12))});
    BmpFields odd;
    odd.width = 3;
    odd.height = 3;
    seeds.push_back({"bmp", "3x3", MakeBmp(odd, CountingBytes(27))});
    BmpFields gap = square;
    gap.dataOffset = 64;
    seeds.push_back({"bmp", "gap", MakeBmp(gap, CountingBytes(12))});
    BmpFields topDown = square;
    topDown.height = -2;
    topDown.imageSize = 12;
    seeds.push_back({"bmp", "top-down", MakeBmp(topDown, CountingBytes(12))});
    BmpFields v5 = square;
    v5.headerSize = 124;
    seeds.push_back({"bmp", "v5", MakeBmp(v5, CountingBytes(12))});
    // Headers claiming the largest picture, or a wrapping size, over a few bytes of data.
    BmpFields huge = square;
    huge.width = 16384;
    huge.height = 16384;
    seeds.push_back({"bmp", "huge-claim", MakeBmp(huge, CountingBytes(12))});
    BmpFields wrapping = square;
    wrapping.width = 65536;
    wrapping.height = 65536;
    wrapping.imageSize = 0;
    seeds.push_back({"bmp", "wrapping-size", MakeBmp(wrapping, CountingBytes(12))});

    const Bytes planes = CountingBytes(12);
    for (const bool bigEndian : {true, false}) {
        const std::string order = bigEndian ? "-be" : "-le";
        RgbFields fields;
        fields.bigEndian = bigEndian;
        seeds.push_back({"rgb", "verbatim" + order, MakeRgbVerbatim(fields, planes)});
        seeds.push_back({"rgb", "rle" + order, MakeRgbRunLength(fields, PackRows(planes, 2))});
    }
    RgbFields grey;
    grey.zsize = 1;
    grey.xsize = 5;
    grey.ysize = 2;
    seeds.push_back(
        {"rgb", "grey-runs", MakeRgbRunLength(grey, {{0x83, 1, 2, 3, 0x02, 7, 0}, {0x05, 9, 0}})});
    RgbFields four;
    four.zsize = 4;
    seeds.push_back(
        {"rgb", "four-channels", MakeRgbRunLength(four, PackRows(CountingBytes(16), 2))});
    RgbFields deep;
    deep.bytesPerChannel = 2;
    seeds.push_back({"rgb", "two-bytes", MakeRgbVerbatim(deep, CountingBytes(24))});
    // Damaged or costly layouts: many channels, of which only three are read; rows stored
    // with the longest length allowed, all sharing one row that ends early; tables larger
    // than the file; a row start near 4 GiB.
    RgbFields many;
    many.zsize = 16;
    seeds.push_back({"rgb", "many-channels",
                     MakeRgbRunLength(many, PackRows(CountingBytes(4 * many.zsize), 2))});
    RgbFields shared;
    shared.xsize = 1;
    Bytes stored = {0x01, 9, 0};
    stored.resize(256, 0xEE);
    Bytes sharing = MakeRgbRunLength(shared, std::vector<Bytes>(6, stored));
    for (uint32_t i = 1; i < 6; ++i)
        Poke32(sharing, 512 + 4 * i, 512 + 48, true);
    sharing.resize(512 + 48 + stored.size());
    seeds.push_back({"rgb", "shared-long-rows", sharing});
    RgbFields tall;
    tall.ysize = 16384;
    tall.zsize = 16384;
    tall.runLength = true;
    seeds.push_back({"rgb", "tables-beyond-file", MakeRgbHeader(tall)});
    Bytes farStart = MakeRgbRunLength(RgbFields{}, PackRows(planes, 2));
    Poke32(farStart, 512, 0xFFFFFFFE, true);
    seeds.push_back({"rgb", "start-near-4g", farStart});

    return seeds;
}

}  // namespace texture_test
