// Writing the pass pictures, their states and the contact sheet.
#include "tools/snapshot/PassFiles.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "tools/png/PngFile.h"
#include "tools/snapshot/TinyFont.h"

namespace {

constexpr int kSheetGap = 4;         // pixels between and around the cells
constexpr int kLabelScale = 2;       // font pixels are 2 x 2
constexpr int kLabelHeight = kTextHeight * kLabelScale + 4;
constexpr uint8_t kSheetBackground = 24;
constexpr uint8_t kLabelColour[3] = {235, 235, 235};

// Scales the picture to fit w x h, keeping its shape, each target pixel the mean of the
// source pixels whose centres fall in it (or the nearest one when enlarging); centred on the
// sheet at (left, top).
void PlaceScaled(const PassPicture& picture, std::vector<uint8_t>& sheet, int sheetWidth,
                 int left, int top, int w, int h)
{
    if (picture.width <= 0 || picture.height <= 0 || picture.rgb.empty())
        return;
    const double scale = std::min(double(w) / picture.width, double(h) / picture.height);
    const int scaledWidth = std::max(1, int(picture.width * scale));
    const int scaledHeight = std::max(1, int(picture.height * scale));
    left += (w - scaledWidth) / 2;
    top += (h - scaledHeight) / 2;
    for (int y = 0; y < scaledHeight; ++y) {
        const int y0 = int(y / scale), y1 = std::max(y0 + 1, int((y + 1) / scale));
        for (int x = 0; x < scaledWidth; ++x) {
            const int x0 = int(x / scale), x1 = std::max(x0 + 1, int((x + 1) / scale));
            unsigned sum[3] = {0, 0, 0}, count = 0;
            for (int sy = y0; sy < std::min(y1, picture.height); ++sy)
                for (int sx = x0; sx < std::min(x1, picture.width); ++sx) {
                    const uint8_t* p = &picture.rgb[(size_t(sy) * picture.width + sx) * 3];
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                    ++count;
                }
            uint8_t* out = &sheet[(size_t(top + y) * sheetWidth + size_t(left + x)) * 3];
            for (int c = 0; c < 3; ++c)
                out[c] = uint8_t(count ? (sum[c] + count / 2) / count : 0);
        }
    }
}

bool Fail(std::string* error, const std::string& why)
{
    if (error)
        *error = why;
    return false;
}

// A name NN-name.png of a pass picture.
bool IsPassPictureName(const std::string& name)
{
    if (name.size() < 8 || !std::isdigit(uint8_t(name[0])) || !std::isdigit(uint8_t(name[1])) ||
        name[2] != '-' || name.compare(name.size() - 4, 4, ".png") != 0)
        return false;
    const std::string pass = name.substr(3, name.size() - 7);
    for (int i = 0; i < kScenePassCount; ++i)
        if (pass == PassName(ScenePass(i)))
            return true;
    return false;
}

bool WriteText(const std::string& path, const std::string& text, std::string* error)
{
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file)
        return Fail(error, path + ": " + std::strerror(errno));
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const int why = errno;
    if (std::fclose(file) != 0 || !written)
        return Fail(error, path + ": " + std::strerror(written ? errno : why));
    return true;
}

}  // namespace

std::string PassFileName(size_t index, const PassPicture& picture)
{
    char number[16];
    std::snprintf(number, sizeof number, "%02u-", unsigned(index + 1));
    return number + std::string(PassName(picture.pass));
}

std::vector<uint8_t> ContactSheet(const std::vector<PassPicture>& pictures, int* width,
                                  int* height)
{
    const int count = int(pictures.size());
    const int columns = std::max(1, std::min(kSheetColumns, count));
    const int rows = std::max(1, (count + kSheetColumns - 1) / kSheetColumns);
    const int cellHeight = kLabelHeight + kSheetCellHeight;
    *width = kSheetGap + columns * (kSheetCellWidth + kSheetGap);
    *height = kSheetGap + rows * (cellHeight + kSheetGap);
    std::vector<uint8_t> sheet(size_t(*width) * size_t(*height) * 3, kSheetBackground);
    for (int i = 0; i < count; ++i) {
        const int left = kSheetGap + (i % kSheetColumns) * (kSheetCellWidth + kSheetGap);
        const int top = kSheetGap + (i / kSheetColumns) * (cellHeight + kSheetGap);
        std::string label = PassFileName(size_t(i), pictures[size_t(i)]);
        label[2] = ' ';
        DrawText(sheet, *width, *height, left + 2, top + (kLabelHeight - kTextHeight * kLabelScale) / 2,
                 label, kLabelScale, kLabelColour);
        PlaceScaled(pictures[size_t(i)], sheet, *width, left, top + kLabelHeight,
                    kSheetCellWidth, kSheetCellHeight);
    }
    return sheet;
}

bool WritePassFiles(const std::string& folder, const std::vector<PassPicture>& pictures,
                    int frame, std::string* error)
{
    if (pictures.empty())
        return Fail(error, "no pass was recorded");
    if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
        return Fail(error, folder + ": " + std::strerror(errno));
    struct stat info;
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return Fail(error, folder + ": not a folder");

    std::vector<std::string> written;
    std::string text = "# The passes of frame " + std::to_string(frame + 1) + " (" +
                       std::to_string(pictures[0].width) + "x" +
                       std::to_string(pictures[0].height) +
                       "), in drawing order, with the GL state each draws with. light-bodies\n"
                       "# and glass-panes show the state their display lists start from.\n";
    for (size_t i = 0; i < pictures.size(); ++i) {
        const std::string name = PassFileName(i, pictures[i]);
        if (!WritePng(folder + "/" + name + ".png", pictures[i].width, pictures[i].height,
                      pictures[i].rgb, error))
            return Fail(error, folder + "/" + name + ".png: " + *error);
        written.push_back(name + ".png");
        for (const PassState& state : pictures[i].states)
            text += name.substr(0, 2) + " " + name.substr(3) + " " + state.Describe() + "\n";
    }
    if (!WriteText(folder + "/passes.txt", text, error))
        return false;
    int sheetWidth = 0, sheetHeight = 0;
    const std::vector<uint8_t> sheet = ContactSheet(pictures, &sheetWidth, &sheetHeight);
    if (!WritePng(folder + "/sheet.png", sheetWidth, sheetHeight, sheet, error))
        return Fail(error, folder + "/sheet.png: " + *error);

    // Pictures an earlier run left that are not of this frame would read as its passes.
    if (DIR* directory = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(directory)) {
            const std::string name = entry->d_name;
            if (IsPassPictureName(name) &&
                std::find(written.begin(), written.end(), name) == written.end())
                unlink((folder + "/" + name).c_str());
        }
        closedir(directory);
    }
    return true;
}
