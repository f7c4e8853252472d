// Writing the pass pictures, their states and the contact sheet.
#include "tools/snapshot/PassFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "tools/png/Cleanup.h"
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

std::string Reason(const std::string& path, int why) { return path + ": " + std::strerror(why); }

// A name the set may take: passes.txt, sheet.png or NN-name.png of a pass. Used only to
// refuse a folder holding such a file that no earlier run recorded, never to remove one.
bool IsSetName(const std::string& name)
{
    if (name == "passes.txt" || name == "sheet.png")
        return true;
    if (name.size() < 8 || !std::isdigit(uint8_t(name[0])) || !std::isdigit(uint8_t(name[1])) ||
        name[2] != '-' || name.compare(name.size() - 4, 4, ".png") != 0)
        return false;
    const std::string pass = name.substr(3, name.size() - 7);
    for (int i = 0; i < kScenePassCount; ++i)
        if (pass == PassName(ScenePass(i)))
            return true;
    return false;
}

bool Contains(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

// ".corvane-XXXXXX": a hidden name of its own for the staging folder.
std::string RandomName()
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char random[6] = {};
    if (getentropy(random, sizeof random) != 0)
        std::memcpy(random, "corvan", 6);
    std::string name = ".corvane-";
    for (const unsigned char byte : random)
        name += kLetters[byte % 62];
    return name;
}

// The files an earlier run recorded in FOLDER's passes.txt, passes.txt and sheet.png among
// them; none when there is no passes.txt. False when it cannot be read or is not the tool's.
bool ReadRecordedSet(int folder, const std::string& path, std::vector<std::string>* set,
                     std::string* error)
{
    set->clear();
    const int file = openat(folder, "passes.txt", O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (file < 0)
        return errno == ENOENT || Fail(error, Reason(path + "/passes.txt", errno));
    constexpr off_t kMostText = 1 << 20;
    struct stat status;
    std::string text;
    bool ok = fstat(file, &status) == 0 && S_ISREG(status.st_mode) && status.st_size < kMostText;
    if (ok) {
        text.resize(size_t(status.st_size));
        ok = read(file, text.data(), text.size()) == ssize_t(text.size());
    }
    close(file);
    if (!ok || text.compare(0, std::strlen(kPassesTextStart), kPassesTextStart) != 0)
        return Fail(error, path + "/passes.txt: not written by corvane-snapshot --passes");
    set->push_back("passes.txt");
    set->push_back("sheet.png");
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find('\n', at), text.size());
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        const size_t space = line.find(' '), second = line.find(' ', space + 1);
        if (line.empty() || line[0] == '#' || space != 2 || second == std::string::npos)
            continue;
        const std::string name = line.substr(0, 2) + "-" + line.substr(3, second - 3) + ".png";
        if (IsSetName(name) && !Contains(*set, name))
            set->push_back(name);
    }
    return true;
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

// Every signal held off while the new set moves in.
class SignalsHeld {
public:
    SignalsHeld()
    {
        sigset_t all;
        sigfillset(&all);
        sigprocmask(SIG_BLOCK, &all, &old);
    }
    ~SignalsHeld() { sigprocmask(SIG_SETMASK, &old, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t old;
};

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
    RemoveStaging();
    for (const int descriptor : {parent, folder})
        if (descriptor >= 0)
            close(descriptor);
}

bool PassFolder::Open(const std::string& given, std::string* error)
{
    path = given;
    folder = open(given.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        const int why = errno;
        struct stat status;
        if (why == ENOENT && lstat(given.c_str(), &status) == 0)
            return Fail(error, given + ": a link to nothing");
        if (why == ENOTDIR)
            return Fail(error, given + ": not a folder");
        if (why != ENOENT)
            return Fail(error, Reason(given, why));
        // Missing: made later, in a parent that must take it (tried now).
        std::string trimmed = given;
        while (trimmed.size() > 1 && trimmed.back() == '/')
            trimmed.pop_back();
        const size_t slash = trimmed.rfind('/');
        name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
        const std::string above = slash == std::string::npos ? "." : slash == 0 ? "/" : trimmed.substr(0, slash);
        parent = open(above.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (parent < 0)
            return Fail(error, Reason(given, errno));
        if (mkdirat(parent, name.c_str(), 0777) != 0)
            return Fail(error, Reason(given, errno));
        unlinkat(parent, name.c_str(), AT_REMOVEDIR);
        return true;
    }
    const std::string probe = RandomName();
    if (mkdirat(folder, probe.c_str(), 0700) != 0)
        return Fail(error, Reason(given, errno));
    unlinkat(folder, probe.c_str(), AT_REMOVEDIR);
    if (!ReadRecordedSet(folder, given, &oldSet, error))
        return false;
    // A file the new set could replace must be one an earlier run wrote.
    const int listing = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* directory = listing >= 0 ? fdopendir(listing) : nullptr;
    if (!directory)
        return Fail(error, Reason(given, errno));
    bool ok = true;
    while (const dirent* entry = readdir(directory)) {
        const std::string file = entry->d_name;
        struct stat status;
        if (IsSetName(file) && !Contains(oldSet, file)) {
            ok = Fail(error, given + "/" + file +
                                 ": not of the set passes.txt records; the new set could "
                                 "replace it");
            break;
        }
        if (Contains(oldSet, file) &&
            (fstatat(folder, file.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
             S_ISDIR(status.st_mode))) {
            ok = Fail(error, given + "/" + file + ": a folder, not a file of the set");
            break;
        }
    }
    closedir(directory);
    return ok;
}

bool PassFolder::Holds(const PngTarget& target) const
{
    struct stat ours, theirs;
    if (folder < 0 || target.folder < 0 || fstat(folder, &ours) != 0 ||
        fstat(target.folder, &theirs) != 0 || ours.st_dev != theirs.st_dev ||
        ours.st_ino != theirs.st_ino)
        return false;
    return IsSetName(target.name) || Contains(oldSet, target.name);
}

bool PassFolder::EnsureStaging(std::string* error)
{
    if (staging >= 0)
        return true;
    if (folder < 0) {
        cleanup::SetMadeFolder(parent, name.c_str());  // before it exists: no moment unguarded
        if (mkdirat(parent, name.c_str(), 0777) != 0) {
            cleanup::ClearMadeFolder();
            return Fail(error, Reason(path, errno));
        }
        made = true;
        folder = openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (folder < 0)
            return Fail(error, Reason(path, errno));
    }
    stagingName = RandomName();
    cleanup::SetStagingFolder(folder, stagingName.c_str(), -1);
    if (mkdirat(folder, stagingName.c_str(), 0700) != 0 ||
        (staging = openat(folder, stagingName.c_str(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)) < 0) {
        const int why = errno;
        RemoveStaging();
        return Fail(error, Reason(path, why));
    }
    cleanup::SetStagingFolder(folder, stagingName.c_str(), staging);
    return true;
}

bool PassFolder::WriteStaged(const std::string& file, int width, int height,
                             const std::vector<uint8_t>& rgb, std::string* error)
{
    if (!EnsureStaging(error))
        return false;
    cleanup::AddStagedFile(file.c_str());
    staged.push_back(file);
    PngTarget target;
    target.folder = fcntl(staging, F_DUPFD_CLOEXEC, 0);
    target.name = file;
    std::string why;
    return WritePng(target, width, height, rgb, &why) || Fail(error, path + "/" + file + ": " + why);
}

bool PassFolder::WriteStagedText(const std::string& file, const std::string& text,
                                 std::string* error)
{
    if (!EnsureStaging(error))
        return false;
    cleanup::AddStagedFile(file.c_str());
    staged.push_back(file);
    const cleanup::FileSizeSignalIgnored fileSizeLimitIsAnError;
    const int out = openat(staging, file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0)
        return Fail(error, Reason(path + "/" + file, errno));
    const bool written = write(out, text.data(), text.size()) == ssize_t(text.size());
    const int why = errno;
    if (close(out) != 0 || !written)
        return Fail(error, Reason(path + "/" + file, written ? errno : why));
    return true;
}

bool PassFolder::WritePicture(size_t index, const PassPicture& picture, std::string* error)
{
    return WriteStaged(PassFileName(index, picture) + ".png", picture.width, picture.height,
                       picture.rgb, error);
}

bool PassFolder::Commit(const std::vector<PassPicture>& pictures,
                        const std::vector<PassPicture>& thumbnails, int frame, std::string* error)
{
    if (pictures.empty())
        return Fail(error, "no pass was recorded");
    int sheetWidth = 0, sheetHeight = 0;
    const std::vector<uint8_t> sheet = ContactSheet(thumbnails, &sheetWidth, &sheetHeight);
    if (!WriteStaged("sheet.png", sheetWidth, sheetHeight, sheet, error) ||
        !WriteStagedText("passes.txt", PassesText(pictures, frame), error))
        return false;
    const SignalsHeld held;
    // passes.txt last: until it moves in, the folder's record names the old set.
    for (const std::string& file : staged)
        if (renameat(staging, file.c_str(), folder, file.c_str()) != 0)
            return Fail(error, Reason(path + "/" + file, errno));
    for (const std::string& file : oldSet)
        if (!Contains(staged, file))
            unlinkat(folder, file.c_str(), 0);
    unlinkat(folder, stagingName.c_str(), AT_REMOVEDIR);
    close(staging);
    staging = -1;
    staged.clear();
    made = false;
    cleanup::ClearStagingFolder();
    cleanup::ClearMadeFolder();
    return true;
}

void PassFolder::RemoveStaging()
{
    if (staging >= 0) {
        for (const std::string& file : staged)
            unlinkat(staging, file.c_str(), 0);
        close(staging);
        staging = -1;
    }
    if (!stagingName.empty() && folder >= 0)
        unlinkat(folder, stagingName.c_str(), AT_REMOVEDIR);
    stagingName.clear();
    staged.clear();
    cleanup::ClearStagingFolder();
    if (made && parent >= 0)
        unlinkat(parent, name.c_str(), AT_REMOVEDIR);  // only when still empty
    made = false;
    cleanup::ClearMadeFolder();
}
