// Writing the pass pictures, their states and the contact sheet.
#include "tools/snapshot/PassFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "tools/png/PngFile.h"
#include "tools/snapshot/TinyFont.h"

namespace {

constexpr int kSheetGap = 4;         // pixels between and around the cells
constexpr int kLabelScale = 2;       // font pixels are 2 x 2
constexpr int kLabelHeight = kTextHeight * kLabelScale + 4;
constexpr uint8_t kSheetBackground = 24;
constexpr uint8_t kLabelColour[3] = {235, 235, 235};
constexpr char kPassesTextStart[] = "# The passes of frame ";

bool Fail(std::string* error, const std::string& why)
{
    if (error)
        *error = why;
    return false;
}

// The files the set in FOLDER records: passes.txt, sheet.png and the picture of each pass its
// passes.txt names. False when passes.txt cannot be read or is not the tool's.
bool ReadRecordedSet(const std::string& folder, std::vector<std::string>* set)
{
    std::ifstream text(folder + "/passes.txt");
    std::string line;
    if (!std::getline(text, line) || line.rfind(kPassesTextStart, 0) != 0)
        return false;
    *set = {"passes.txt", "sheet.png"};
    while (std::getline(text, line)) {
        std::istringstream words(line);
        std::string number, pass;
        if (line[0] != '#' && words >> number >> pass)
            set->push_back(number + "-" + pass + ".png");
    }
    return true;
}

// Removes the set FOLDER holds, then FOLDER, unless a file put there since it was checked
// keeps it.
void RemoveSet(const std::string& folder)
{
    std::vector<std::string> set;
    ReadRecordedSet(folder, &set);
    for (const std::string& name : set)
        unlink((folder + "/" + name).c_str());
    rmdir(folder.c_str());
}

// Exchanges the folders FRESH and DIR in one step; where the filesystem has no exchange, DIR is
// moved aside, FRESH in, and the old set to FRESH's name. False with errno, ENOENT when DIR is
// missing.
bool Exchange(const std::string& fresh, const std::string& dir, const std::string& parent)
{
    if (renameat2(AT_FDCWD, fresh.c_str(), AT_FDCWD, dir.c_str(), RENAME_EXCHANGE) == 0)
        return true;
    const std::string aside = TemporaryName(parent);
    if (errno != EINVAL || std::rename(dir.c_str(), aside.c_str()) != 0)
        return false;
    const bool movedIn = std::rename(fresh.c_str(), dir.c_str()) == 0;
    const int why = errno;
    std::rename(aside.c_str(), movedIn ? fresh.c_str() : dir.c_str());
    errno = why;
    return movedIn;
}

// Each pixel of the scaled picture, the mean of the source pixels whose centres fall in it.
void Scale(const PassPicture& picture, double scale, PassPicture* scaled)
{
    for (int y = 0; y < scaled->height; ++y) {
        const int y0 = int(y / scale), y1 = std::max(y0 + 1, int((y + 1) / scale));
        for (int x = 0; x < scaled->width; ++x) {
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
            uint8_t* out = &scaled->rgb[(size_t(y) * scaled->width + size_t(x)) * 3];
            for (int c = 0; c < 3; ++c)
                out[c] = uint8_t(count ? (sum[c] + count / 2) / count : 0);
        }
    }
}

std::string PassesText(const std::vector<PassPicture>& pictures, int frame)
{
    std::string text = kPassesTextStart + std::to_string(frame + 1) + " (" +
                       std::to_string(pictures[0].width) + "x" +
                       std::to_string(pictures[0].height) +
                       "), in drawing order, with the GL state each draws with. light-bodies\n"
                       "# and glass-panes show the state their display lists start from.\n";
    for (size_t i = 0; i < pictures.size(); ++i) {
        const std::string name = PassFileName(i, pictures[i]);
        for (const PassState& state : pictures[i].states)
            text += name.substr(0, 2) + " " + name.substr(3) + " " + state.Describe() + "\n";
    }
    return text;
}

}  // namespace

std::string PassFileName(size_t index, const PassPicture& picture)
{
    char number[16];
    std::snprintf(number, sizeof number, "%02u-", unsigned(index + 1));
    return number + std::string(PassName(picture.pass));
}

PassPicture Thumbnail(const PassPicture& picture)
{
    PassPicture thumbnail;
    thumbnail.pass = picture.pass;
    if (picture.width <= 0 || picture.height <= 0 || picture.rgb.empty())
        return thumbnail;
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

PassFolder::~PassFolder()
{
    for (const std::string& path : written)
        temporary::Remove(path);
    if (!fresh.empty())
        temporary::Remove(fresh);
}

bool PassFolder::Check(const std::string& given, std::string* error)
{
    if (!Resolve(given, &target, error))
        return false;
    if (!target.exists)
        return true;
    if (!S_ISDIR(target.status.st_mode))
        return Fail(error, "not a folder");
    DIR* listing = nullptr;
    if (faccessat(AT_FDCWD, target.path.c_str(), W_OK | X_OK, AT_EACCESS) != 0 ||
        !(listing = opendir(target.path.c_str())))
        return Fail(error, std::strerror(errno));
    std::vector<std::string> set;  // none when passes.txt is missing or not the tool's
    ReadRecordedSet(target.path, &set);
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        struct stat status;
        if (name != "." && name != ".." &&
            (std::find(set.begin(), set.end(), name) == set.end() ||
             fstatat(dirfd(listing), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
             !S_ISREG(status.st_mode))) {
            closedir(listing);
            return Fail(error, "it holds " + name + ", not of a set this tool wrote; name a "
                                                    "folder of the tool's own");
        }
    }
    closedir(listing);
    return true;
}

bool PassFolder::WriteFile(const std::string& name, const std::vector<uint8_t>& bytes,
                           std::string* error)
{
    if (fresh.empty()) {
        fresh = TemporaryName(target.folder);
        if (mkdir(fresh.c_str(), 0777) != 0) {
            fresh.clear();
            return Fail(error, std::strerror(errno));
        }
        temporary::List(fresh);
    }
    const std::string path = fresh + "/" + name;
    if (bytes.empty() || !WriteNewFile(path, bytes))
        return Fail(error, name + ": " + (bytes.empty() ? "no picture" : std::strerror(errno)));
    written.push_back(path);
    return true;
}

bool PassFolder::WritePicture(size_t index, const PassPicture& picture, std::string* error)
{
    return WriteFile(PassFileName(index, picture) + ".png",
                     EncodePng(picture.width, picture.height, picture.rgb), error);
}

bool PassFolder::Commit(const std::vector<PassPicture>& pictures,
                        const std::vector<PassPicture>& thumbnails, int frame, std::string* error)
{
    if (pictures.empty())
        return Fail(error, "no pass was recorded");
    int sheetWidth = 0, sheetHeight = 0;
    const std::vector<uint8_t> sheet = ContactSheet(thumbnails, &sheetWidth, &sheetHeight);
    const std::string text = PassesText(pictures, frame);
    if (!WriteFile("sheet.png", EncodePng(sheetWidth, sheetHeight, sheet), error) ||
        !WriteFile("passes.txt", std::vector<uint8_t>(text.begin(), text.end()), error))
        return false;
    if (target.exists && chmod(fresh.c_str(), target.status.st_mode & 07777) != 0)
        return Fail(error, std::strerror(errno));
    // A missing folder is made by a rename; when another run has made it meanwhile, the
    // exchange is tried again.
    bool exchanged = Exchange(fresh, target.path, target.folder);
    bool inPlace =
        exchanged || (errno == ENOENT && std::rename(fresh.c_str(), target.path.c_str()) == 0);
    if (!inPlace && (errno == EEXIST || errno == ENOTEMPTY))
        inPlace = exchanged = Exchange(fresh, target.path, target.folder);
    if (!inPlace)
        return Fail(error, std::strerror(errno));
    if (exchanged)
        RemoveSet(fresh);  // the old set, now
    written.clear();
    fresh.clear();
    return true;
}
