// The contact sheet and its thumbnails.
#include "tools/snapshot/ContactSheet.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "tools/snapshot/TinyFont.h"

namespace {

constexpr int kSheetColumns = 4;
constexpr int kSheetCellWidth = 320;  // pixels
constexpr int kSheetCellHeight = 240;
constexpr int kSheetGap = 4;          // pixels between and around the cells
constexpr int kLabelScale = 2;        // font pixels are 2 x 2
constexpr int kLabelHeight = kTextHeight * kLabelScale + 4;
constexpr uint8_t kSheetBackground = 24;
constexpr uint8_t kLabelColour[3] = {235, 235, 235};

// Each pixel of the scaled picture, the mean of the source pixels whose centres fall in it.
void Scale(const PassPicture& picture, double scale, PassPicture* scaled)
{
    for (int y = 0; y < scaled->height; ++y) {
        const int y0 = int(y / scale), y1 = std::max(y0 + 1, int((y + 1) / scale));
        for (int x = 0; x < scaled->width; ++x) {
            const int x0 = int(x / scale), x1 = std::max(x0 + 1, int((x + 1) / scale));
            unsigned sum[3] = {0, 0, 0}, count = 0;
            for (int sy = y0; sy < std::min(y1, picture.height); ++sy)
                for (int sx = x0; sx < std::min(x1, picture.width); ++sx, ++count)
                    for (int c = 0; c < 3; ++c)
                        sum[c] += picture.rgb[(size_t(sy) * picture.width + sx) * 3 + c];
            uint8_t* out = &scaled->rgb[(size_t(y) * scaled->width + size_t(x)) * 3];
            for (int c = 0; c < 3; ++c)
                out[c] = uint8_t(count ? (sum[c] + count / 2) / count : 0);
        }
    }
}

}  // namespace

PassPicture Thumbnail(const PassPicture& picture)
{
    PassPicture thumbnail;
    thumbnail.pass = picture.pass;
    const double scale = std::min(double(kSheetCellWidth) / picture.width,
                                  double(kSheetCellHeight) / picture.height);
    thumbnail.width = std::max(1, int(picture.width * scale));
    thumbnail.height = std::max(1, int(picture.height * scale));
    thumbnail.rgb.resize(size_t(thumbnail.width) * size_t(thumbnail.height) * 3);
    Scale(picture, scale, &thumbnail);
    return thumbnail;
}

std::vector<uint8_t> ContactSheet(const std::vector<PassPicture>& thumbnails, int* width,
                                  int* height)
{
    const int count = int(thumbnails.size());
    const int columns = std::max(1, std::min(kSheetColumns, count));
    const int rows = std::max(1, (count + kSheetColumns - 1) / kSheetColumns);
    const int cellHeight = kLabelHeight + kSheetCellHeight;
    *width = kSheetGap + columns * (kSheetCellWidth + kSheetGap);
    *height = kSheetGap + rows * (cellHeight + kSheetGap);
    std::vector<uint8_t> sheet(size_t(*width) * size_t(*height) * 3, kSheetBackground);
    for (int i = 0; i < count; ++i) {
        const PassPicture& thumbnail = thumbnails[size_t(i)];
        const int left = kSheetGap + (i % kSheetColumns) * (kSheetCellWidth + kSheetGap);
        const int top = kSheetGap + (i / kSheetColumns) * (cellHeight + kSheetGap);
        std::string label = PassFileName(size_t(i), thumbnail);
        label[2] = ' ';
        DrawText(sheet, *width, *height, left + 2, top + (kLabelHeight - kTextHeight * kLabelScale) / 2,
                 label, kLabelScale, kLabelColour);
        // Centred in its cell, below the label.
        const int x0 = left + (kSheetCellWidth - thumbnail.width) / 2;
        const int y0 = top + kLabelHeight + (kSheetCellHeight - thumbnail.height) / 2;
        const size_t row = size_t(thumbnail.width) * 3;
        for (int y = 0; y < thumbnail.height && !thumbnail.rgb.empty(); ++y)
            std::memcpy(&sheet[(size_t(y0 + y) * size_t(*width) + size_t(x0)) * 3],
                        &thumbnail.rgb[size_t(y) * row], row);
    }
    return sheet;
}
