// Writing the passes folder: the pass pictures, passes.txt and sheet.png, put in place as one
// set.
#include "tools/snapshot/PassFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "tools/png/PngFile.h"

namespace {

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
    if (errno != EINVAL)
        return false;
    const std::string aside = TemporaryName(parent);
    if (std::rename(dir.c_str(), aside.c_str()) != 0)
        return false;
    const bool movedIn = std::rename(fresh.c_str(), dir.c_str()) == 0;
    const int why = errno;
    std::rename(aside.c_str(), movedIn ? fresh.c_str() : dir.c_str());
    errno = why;
    return movedIn;
}

}  // namespace

PassFolder::~PassFolder()
{
    std::error_code ignored;
    if (!fresh.empty())
        std::filesystem::remove_all(fresh, ignored);
}

bool PassFolder::Check(const std::string& given, std::string* error)
{
    if (!Resolve(given, &target, error))
        return false;
    if (!target.exists)
        return true;
    if (!S_ISDIR(target.status.st_mode))
        return Fail(error, "not a folder");
    if (target.mountPoint)  // checked before any frame is drawn
        return Fail(error, "a mount point, which cannot be replaced; name a folder inside it");
    if (faccessat(AT_FDCWD, target.path.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return Fail(error, std::strerror(errno));
    std::vector<std::string> set;  // none when passes.txt is missing or not the tool's
    ReadRecordedSet(target.path, &set);
    namespace fs = std::filesystem;
    std::error_code failed;
    for (fs::directory_iterator entry(target.path, failed); entry != fs::directory_iterator();
         entry.increment(failed)) {
        const std::string name = entry->path().filename();
        if (std::find(set.begin(), set.end(), name) == set.end() ||
            entry->symlink_status(failed).type() != fs::file_type::regular)
            return Fail(error, "it holds " + name + ", not of a set this tool wrote; name a "
                                                    "folder of the tool's own");
    }
    return !failed || Fail(error, failed.message());
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
    return (!bytes.empty() && WriteNewFile(path, bytes)) ||
           Fail(error, name + ": " + (bytes.empty() ? "no picture" : std::strerror(errno)));
}

bool PassFolder::WritePicture(size_t index, const PassPicture& picture, std::string* error)
{
    return WriteFile(PassFileName(index, picture) + ".png",
                     EncodePng(picture.width, picture.height, picture.rgb), error);
}

bool PassFolder::Commit(const std::vector<PassPicture>& pictures,
                        const std::vector<uint8_t>& sheetPng, int frame, std::string* error)
{
    if (pictures.empty())
        return Fail(error, "no pass was recorded");
    const std::string text = PassesText(pictures, frame);
    if (!WriteFile("sheet.png", sheetPng, error) ||
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
    fresh.clear();
    return true;
}
