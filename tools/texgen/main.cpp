// corvane-texgen: writes the program's three pictures, wood.bmp, floor.bmp and stained.bmp,
// as 256 x 256 24-bit BMP files into the directory given (default: the current one), and its
// icon into icons/ below it: corvane-48.png, corvane-128.png, corvane-256.png for the desktop
// and corvane.ico (16, 32, 48 and 256 pixels) for the Windows build.
// Everything is computed from fixed seeds, so every run writes the same bytes.
// Usage: corvane-texgen [DIR] | --help; anything else is a usage error (exit 2).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "Canvas.h"
#include "IcoFile.h"
#include "Icon.h"
#include "Parquet.h"
#include "StainedGlass.h"
#include "Wood.h"
#include "tools/png/PngFile.h"

namespace {

const char kUsage[] =
    "usage: corvane-texgen [DIR]\n"
    "  writes wood.bmp, floor.bmp and stained.bmp into DIR (default: the current folder)\n"
    "  and the icon into DIR/icons: corvane-48.png, corvane-128.png, corvane-256.png and\n"
    "  corvane.ico\n";

// Writes BYTES to PATH; false, with one line on stderr, when it cannot (or BYTES is empty: a
// picture that could not be encoded).
bool Write(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* file = bytes.empty() ? nullptr : std::fopen(path.c_str(), "wb");
    const bool written = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file && std::fclose(file) == 0 && written)
        return true;
    std::fprintf(stderr, "corvane-texgen: cannot write %s\n", path.c_str());
    return false;
}

bool WriteIcons(const std::string& directory)
{
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    for (int size : {48, 128, 256})
        if (!Write(directory + "/corvane-" + std::to_string(size) + ".png",
                   EncodePng(size, size, PaintIcon(size), 4)))
            return false;
    std::vector<IcoImage> images;
    for (int size : {16, 32, 48, 256})
        images.push_back({size, PaintIcon(size)});
    return Write(directory + "/corvane.ico", IcoFile(images));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    // One folder at most; a name that starts with '-' is an option mistyped, not a folder.
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fprintf(stderr, "corvane-texgen: %s%s\n%s",
                     argc > 2 ? "one folder at most" : "unknown option ",
                     argc > 2 ? "" : argv[1], kUsage);
        return 2;
    }
    const std::string directory = argc > 1 ? argv[1] : ".";
    constexpr int kSize = 256;
    struct Picture {
        const char* fileName;
        void (*paint)(Canvas&);
    };
    const Picture pictures[] = {
        {"wood.bmp", PaintWood},
        {"floor.bmp", PaintParquet},
        {"stained.bmp", PaintStainedGlass},
    };
    for (const Picture& picture : pictures) {
        Canvas canvas(kSize, kSize);
        picture.paint(canvas);
        if (!Write(directory + "/" + picture.fileName, canvas.Bmp()))
            return 1;
    }
    return WriteIcons(directory + "/icons") ? 0 : 1;
}
