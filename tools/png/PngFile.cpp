// PNG input and output through libpng's simplified API. Writing goes through a temporary file
// in the target's folder that replaces the target only when complete; every step after the
// folder is opened works relative to it (openat, renameat), so no path is ever rebuilt.
#include "tools/png/PngFile.h"

#include "tools/png/Cleanup.h"

#include <fcntl.h>
#include <png.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

bool Fail(std::string* error, const std::string& why)
{
    if (error)
        *error = why;
    return false;
}

constexpr int kMostLinks = 40;  // as the kernel allows in one path lookup

// The text of the link `name` in `folder`, read into a buffer that grows to fit.
bool ReadLink(int folder, const std::string& name, std::string* text)
{
    for (size_t size = 256;; size *= 2) {
        text->resize(size);
        const ssize_t length = readlinkat(folder, name.c_str(), text->data(), size);
        if (length < 0)
            return false;
        if (size_t(length) < size) {
            text->resize(size_t(length));
            return true;
        }
    }
}

// Splits PATH into the folder to open and the last name; false for a path that names no file
// (empty, ending in a slash, ".", "..").
bool SplitPath(const std::string& path, std::string* folder, std::string* name)
{
    const size_t slash = path.rfind('/');
    *name = slash == std::string::npos ? path : path.substr(slash + 1);
    *folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    return !name->empty() && *name != "." && *name != "..";
}

// The permissions of the picture: those of the file it replaces, else what a new file gets.
bool TargetMode(const PngTarget& target, mode_t* mode, std::string* error)
{
    const mode_t mask = umask(0);
    umask(mask);
    *mode = 0666 & ~mask;
    struct stat status;
    if (fstatat(target.folder, target.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
        if (!S_ISREG(status.st_mode))
            return Fail(error, "not a regular file");
        *mode = status.st_mode & 0777;  // never setuid, setgid or sticky
    } else if (errno != ENOENT) {
        return Fail(error, std::strerror(errno));
    }
    return true;
}

// A temporary file of a short fixed-length name in the folder (so it fits beside any legal
// target name), registered for removal by a fatal signal until Finish; descriptor -1 with
// errno on failure.
class TemporaryFile {
public:
    explicit TemporaryFile(int folder) : folder(folder)
    {
        static const char kLetters[] =
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
            unsigned char random[6];
            if (getentropy(random, sizeof random) != 0)
                break;
            char candidate[32];
            std::snprintf(candidate, sizeof candidate, ".corvane-%c%c%c%c%c%c",
                          kLetters[random[0] % 62], kLetters[random[1] % 62],
                          kLetters[random[2] % 62], kLetters[random[3] % 62],
                          kLetters[random[4] % 62], kLetters[random[5] % 62]);
            // Registered first: a signal between the creation and the registration would
            // otherwise leave the file.
            cleanup::SetTemporaryFile(folder, candidate);
            descriptor = openat(folder, candidate, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            const int why = errno;
            if (descriptor >= 0) {
                name = candidate;
                break;
            }
            cleanup::ClearTemporaryFile();
            errno = why;
            if (why != EEXIST)
                break;
        }
    }
    ~TemporaryFile()
    {
        if (!name.empty())
            Finish("", false);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Closes the file and renames it over `target` (or removes it when `keep` is false);
    // false with errno when closing or renaming fails, and the file is then removed. A signal
    // before the rename removes the file; one after finds no file of that name.
    bool Finish(const std::string& target, bool keep)
    {
        if (descriptor >= 0 && close(descriptor) != 0)
            keep = false;
        descriptor = -1;
        const bool renamed = keep && renameat(folder, name.c_str(), folder, target.c_str()) == 0;
        const int why = errno;
        if (!renamed)
            unlinkat(folder, name.c_str(), 0);
        cleanup::ClearTemporaryFile();
        name.clear();
        errno = why;
        return renamed;
    }

    int descriptor = -1;

private:
    int folder;
    std::string name;
};

// True when FOLDER is this process's own /proc/PID/fd: its entries are the descriptors.
bool IsOwnDescriptorFolder(int folder)
{
    struct statfs filesystem;
    if (fstatfs(folder, &filesystem) != 0 || filesystem.f_type != PROC_SUPER_MAGIC)
        return false;
    std::string text;
    return ReadLink(-1, "/proc/self/fd/" + std::to_string(folder), &text) &&
           text == "/proc/" + std::to_string(getpid()) + "/fd";
}

bool OnProcFilesystem(int folder)
{
    struct statfs filesystem;
    return fstatfs(folder, &filesystem) == 0 && filesystem.f_type == PROC_SUPER_MAGIC;
}

// A simplified-API image description of WIDTH x HEIGHT pixels in FORMAT.
png_image ImageOf(int width, int height, png_uint_32 format)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = format;
    return image;
}

}  // namespace

PngTarget::~PngTarget()
{
    if (folder >= 0)
        close(folder);
    if (stream >= 0)
        close(stream);
}

bool PngTarget::OpenStream(int descriptor, std::string* error)
{
    const int copy = fcntl(descriptor, F_DUPFD_CLOEXEC, 3);
    if (copy < 0)
        return Fail(error, std::strerror(errno));
    const int flags = fcntl(copy, F_GETFL);
    if ((flags & O_PATH) || (flags & O_ACCMODE) == O_RDONLY) {
        close(copy);
        return Fail(error, "not open for writing");
    }
    stream = copy;
    toStdout = descriptor == STDOUT_FILENO;
    return true;
}

bool PngTarget::Open(const std::string& path, std::string* error)
{
    if (path == "-")
        return OpenStream(STDOUT_FILENO, error);
    std::string folderPath;
    std::string last;
    if (!SplitPath(path, &folderPath, &last))
        return Fail(error, "not a file name");
    int at = open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (at < 0)
        return Fail(error, std::strerror(errno));
    bool isFile = false;
    const bool ok = Follow(&at, &last, &isFile, error);
    if (!ok || !isFile) {
        close(at);
        return ok;
    }
    // The folder must take the temporary file: tried now, so that a folder on a read-only
    // filesystem, or one this user may not write, is refused before any work.
    TemporaryFile probe(at);
    if (probe.descriptor < 0) {
        const int why = errno;
        close(at);
        return Fail(error, std::strerror(why));
    }
    probe.Finish(last, false);
    if (folder >= 0)
        close(folder);
    folder = at;
    name = last;
    return true;
}

bool PngTarget::Follow(int* at, std::string* last, bool* isFile, std::string* error)
{
    // Each link's text is read relative to its own folder. /dev/stdout, /dev/fd/N and
    // /proc/self/fd/N lead to this process's descriptor folder, whose links are not paths to
    // follow: the descriptor itself is written to.
    for (int links = 0;; ++links) {
        if (IsOwnDescriptorFolder(*at)) {
            int number = -1;
            if (last->find_first_not_of("0123456789") != std::string::npos ||
                std::sscanf(last->c_str(), "%d", &number) != 1)
                return Fail(error, "not a descriptor of this process");
            return OpenStream(number, error);
        }
        if (OnProcFilesystem(*at))
            return Fail(error, "a file of /proc, not a regular file");
        struct stat status;
        if (fstatat(*at, last->c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            *isFile = errno == ENOENT;  // a new file: a dangling link's target is created
            return *isFile || Fail(error, std::strerror(errno));
        }
        if (S_ISREG(status.st_mode)) {
            *isFile = true;
            return true;
        }
        if (S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode)) {
            // A stream: written in place, never replaced. A FIFO waits here for its reader.
            stream = openat(*at, last->c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
            return stream >= 0 || Fail(error, std::strerror(errno));
        }
        if (!S_ISLNK(status.st_mode))
            return Fail(error, "not a regular file, a FIFO or a character device");
        std::string text, folderPath;
        if (links == kMostLinks || !ReadLink(*at, *last, &text))
            return Fail(error, std::strerror(links == kMostLinks ? ELOOP : errno));
        if (!SplitPath(text, &folderPath, last))
            return Fail(error, "not a regular file");
        const int next = openat(*at, folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (next < 0)
            return Fail(error, std::strerror(errno));
        close(*at);
        *at = next;
    }
}

namespace {

// Encodes the picture into STREAM and closes it; false with a reason.
bool EncodeInto(std::FILE* stream, int width, int height, const std::vector<uint8_t>& rgb,
                std::string* message)
{
    png_image image = ImageOf(width, height, PNG_FORMAT_RGB);
    errno = 0;
    bool ok = png_image_write_to_stdio(&image, stream, 0, rgb.data(), width * 3, nullptr) != 0 &&
              std::fflush(stream) == 0;
    *message = errno != 0 ? std::strerror(errno) : image.message;
    png_image_free(&image);
    if (std::fclose(stream) != 0 && ok) {
        ok = false;
        *message = std::strerror(errno);
    }
    return ok;
}

}  // namespace

bool WritePng(const PngTarget& target, int width, int height, const std::vector<uint8_t>& rgb,
              std::string* error)
{
    if (width <= 0 || height <= 0 || rgb.size() < size_t(width) * size_t(height) * 3)
        return Fail(error, "no picture");
    const cleanup::FileSizeSignalIgnored fileSizeLimitIsAnError;
    std::string message;
    if (target.stream >= 0) {
        const int copy = fcntl(target.stream, F_DUPFD_CLOEXEC, 0);
        std::FILE* stream = copy >= 0 ? fdopen(copy, "wb") : nullptr;
        if (!stream) {
            const int why = errno;
            if (copy >= 0)
                close(copy);
            return Fail(error, std::strerror(why));
        }
        return EncodeInto(stream, width, height, rgb, &message) || Fail(error, message);
    }
    if (target.folder < 0)
        return Fail(error, "no target");
    mode_t mode = 0;
    if (!TargetMode(target, &mode, error))
        return false;

    // A temporary file in the target's folder, renamed over it only once complete: a failed
    // write (a full disk, say) leaves whatever stood there untouched.
    TemporaryFile temporary(target.folder);
    if (temporary.descriptor < 0)
        return Fail(error, std::strerror(errno));
    const int copy = fcntl(temporary.descriptor, F_DUPFD_CLOEXEC, 0);
    std::FILE* stream = copy >= 0 ? fdopen(copy, "wb") : nullptr;
    if (!stream) {
        const int why = errno;
        if (copy >= 0)
            close(copy);
        temporary.Finish(target.name, false);
        return Fail(error, std::strerror(why));
    }
    bool ok = EncodeInto(stream, width, height, rgb, &message);
    if (ok && (fchmod(temporary.descriptor, mode) != 0 || fsync(temporary.descriptor) != 0)) {
        ok = false;
        message = std::strerror(errno);
    }
    if (!temporary.Finish(target.name, ok) && ok) {
        ok = false;
        message = std::strerror(errno);
    }
    return ok || Fail(error, message);
}

bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
              std::string* error)
{
    PngTarget target;
    return target.Open(path, error) && WritePng(target, width, height, rgb, error);
}

bool ReadPng(const std::string& path, int* width, int* height, std::vector<uint8_t>* rgb)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGB;
    rgb->resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb->data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    *width = int(image.width);
    *height = int(image.height);
    return true;
}

namespace {

bool HoldsRgba(int width, int height, const std::vector<uint8_t>& rgba)
{
    return width > 0 && height > 0 && rgba.size() >= size_t(width) * size_t(height) * 4;
}

}  // namespace

bool WritePngRgba(const std::string& path, int width, int height,
                  const std::vector<uint8_t>& rgba)
{
    if (!HoldsRgba(width, height, rgba))
        return false;
    png_image image = ImageOf(width, height, PNG_FORMAT_RGBA);
    const int ok = png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), width * 4,
                                           nullptr);
    png_image_free(&image);
    return ok != 0;
}

std::vector<uint8_t> EncodePngRgba(int width, int height, const std::vector<uint8_t>& rgba)
{
    if (!HoldsRgba(width, height, rgba))
        return {};
    png_image image = ImageOf(width, height, PNG_FORMAT_RGBA);
    png_alloc_size_t size = 0;
    std::vector<uint8_t> bytes;
    // The first call measures, the second writes.
    if (png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), width * 4, nullptr)) {
        bytes.resize(size);
        if (png_image_write_to_memory(&image, bytes.data(), &size, 0, rgba.data(), width * 4,
                                      nullptr))
            bytes.resize(size);
        else
            bytes.clear();
    }
    png_image_free(&image);
    return bytes;
}
