// corvane-texgen: writes the program's three pictures, wood.bmp, floor.bmp and stained.bmp,
// as 256 x 256 24-bit BMP files into the directory given (default: the current one), and its
// icon into icons/ below it: corvane-48.png, corvane-128.png, corvane-256.png for the desktop
// and corvane.ico (16, 32, 48 and 256 pixels) for the Windows build.
// Everything is computed from fixed seeds, so every run writes the same bytes.
// Usage: corvane-texgen [DIR] | --help; anything else is a usage error (exit 2).
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

bool WriteIcons(const std::string& directory)
{
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    for (int size : {48, 128, 256}) {
        const std::string path = directory + "/corvane-" + std::to_string(size) + ".png";
        if (!WritePng(path, size, size, PaintIcon(size), 4)) {
            std::fprintf(stderr, "corvane-texgen: cannot write %s\n", path.c_str());
            return false;
        }
    }
    std::vector<IcoImage> images;
    for (int size : {16, 32, 48, 256})
        images.push_back({size, PaintIcon(size)});
    const std::string ico = directory + "/corvane.ico";
    if (!WriteIco(ico, images)) {
        std::fprintf(stderr, "corvane-texgen: cannot write %s\n", ico.c_str());
        return false;
    }
    return true;
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
        const std::string path = directory + "/" + picture.fileName;
        if (!canvas.WriteBmp(path)) {
            std::fprintf(stderr, "corvane-texgen: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return WriteIcons(directory + "/icons") ? 0 : 1;
}
