// Replays the reader fuzzers' corpus through one fuzz target in an ordinary build, so the
// target's own checks (an accepted picture within the cap, with a pixel block of its size)
// run in every test tree and the sanitizers, where built in, watch every buffer: the seeds of
// FuzzSeeds.h for the target's reader, each of their prefixes, and the files of any corpus
// directory named (run-fuzzers.sh grows one in build/fuzz/fuzz-corpus/<reader>).
// Usage: <replay> bmp|rgb [CORPUS_DIR...]   (a directory that does not exist is skipped)
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "FuzzSeeds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// Each input in a block of exactly its size, so a read past it is outside the block.
void Replay(const uint8_t* data, size_t size)
{
    const texture_test::Bytes copy(data, data + size);
    LLVMFuzzerTestOneInput(copy.data(), copy.size());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s bmp|rgb [corpus directory...]\n", argv[0]);
        return 2;
    }
    const std::string reader = argv[1];
    size_t seeds = 0, prefixes = 0, files = 0;
    for (const texture_test::FuzzSeed& seed : texture_test::FuzzSeeds()) {
        if (seed.reader != reader)
            continue;
        ++seeds;
        for (size_t length = 0; length <= seed.bytes.size(); ++length, ++prefixes)
            Replay(seed.bytes.data(), length);
    }
    for (int i = 2; i < argc; ++i) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(argv[i], error)) {
            if (!entry.is_regular_file())
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            const texture_test::Bytes bytes{std::istreambuf_iterator<char>(in),
                                            std::istreambuf_iterator<char>()};
            Replay(bytes.data(), bytes.size());
            ++files;
        }
    }
    std::printf("%s: %zu seeds, %zu prefixes, %zu corpus files\n", reader.c_str(), seeds,
                prefixes, files);
    return seeds > 0 ? 0 : 1;
}
