// The icon file: a 6-byte header, one 16-byte directory entry per picture, then the pictures.
// A bitmap picture is a 40-byte information header whose height counts the colour rows and the
// mask rows, the colour rows bottom-up in blue, green, red, alpha order, and a 1-bit mask
// (all zero: the alpha channel decides) with rows padded to 32 bits.
#include "IcoFile.h"

#include "tools/png/PngFile.h"
#include "tools/texgen/LittleEndian.h"

namespace {

std::vector<uint8_t> BitmapPicture(const IcoImage& image)
{
    const uint32_t size = uint32_t(image.size);
    const uint32_t maskRow = ((size + 31) / 32) * 4;
    std::vector<uint8_t> out;
    PutLittle32(out, 40);
    PutLittle32(out, size);
    PutLittle32(out, size * 2);  // colour rows and mask rows
    PutLittle16(out, 1);         // planes
    PutLittle16(out, 32);        // bits per pixel
    PutLittle32(out, 0);         // uncompressed
    PutLittle32(out, size * size * 4 + maskRow * size);
    for (int i = 0; i < 4; ++i)
        PutLittle32(out, 0);     // resolutions and palette counts
    for (uint32_t row = 0; row < size; ++row) {
        const uint8_t* pixel = &image.rgba[size_t(size - 1 - row) * size * 4];
        for (uint32_t x = 0; x < size; ++x, pixel += 4) {
            out.insert(out.end(), {pixel[2], pixel[1], pixel[0], pixel[3]});
        }
    }
    out.insert(out.end(), size_t(maskRow) * size, 0);
    return out;
}

}  // namespace

std::vector<uint8_t> IcoFile(const std::vector<IcoImage>& images)
{
    std::vector<std::vector<uint8_t>> pictures;
    for (const IcoImage& image : images) {
        pictures.push_back(image.size == 256
                               ? EncodePng(image.size, image.size, image.rgba, 4)
                               : BitmapPicture(image));
        if (pictures.back().empty())
            return {};
    }
    std::vector<uint8_t> out;
    PutLittle16(out, 0);  // reserved
    PutLittle16(out, 1);  // an icon, not a cursor
    PutLittle16(out, uint32_t(images.size()));
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const uint8_t side = uint8_t(images[i].size == 256 ? 0 : images[i].size);  // 0 means 256
        out.insert(out.end(), {side, side, 0, 0});  // width, height, no palette, reserved
        PutLittle16(out, 1);     // planes
        PutLittle16(out, 32);    // bits per pixel
        PutLittle32(out, uint32_t(pictures[i].size()));
        PutLittle32(out, offset);
        offset += uint32_t(pictures[i].size());
    }
    for (const std::vector<uint8_t>& picture : pictures)
        out.insert(out.end(), picture.begin(), picture.end());
    return out;
}
