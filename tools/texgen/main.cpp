// corvane-texgen: writes the program's three pictures, wood.bmp, floor.bmp and stained.bmp,
// as 256 x 256 24-bit BMP files into the directory given (default: the current one).
// Everything is computed from fixed seeds, so every run writes the same bytes.
#include <cstdio>
#include <string>

#include "Canvas.h"
#include "Parquet.h"
#include "StainedGlass.h"
#include "Wood.h"

int main(int argc, char** argv)
{
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
    return 0;
}
