// corvane_fuzz_seeds: writes the seed corpus of the reader fuzzers (FuzzSeeds.h) into
// <dir>/bmp and <dir>/rgb.
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "FuzzSeeds.h"

using namespace texture_test;

namespace {

bool Write(const std::string& path, const Bytes& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane_fuzz_seeds <dir>\n");
        return 2;
    }
    const std::string dir = argv[1];
    mkdir(dir.c_str(), 0755);
    mkdir((dir + "/bmp").c_str(), 0755);
    mkdir((dir + "/rgb").c_str(), 0755);
    bool ok = true;
    for (const FuzzSeed& seed : FuzzSeeds())
        ok &= Write(dir + "/" + seed.reader + "/" + seed.name, seed.bytes);
    if (!ok) {
        std::fprintf(stderr, "corvane_fuzz_seeds: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
