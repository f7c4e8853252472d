// PNG input and output through libpng's simplified API. Writing goes through a temporary file
// in the target's folder that replaces the target only when complete; every step after the
// folder is opened works relative to it (openat, renameat), so no path is ever rebuilt.
#include "tools/png/PngFile.h"

#include <fcntl.h>
#include <png.h>
#include <signal.h>
#include <sys/stat.h>
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
        *mode = status.st_mode & 07777;
    } else if (errno != ENOENT) {
        return Fail(error, std::strerror(errno));
    }
    return true;
}

// The temporary file being written, for the signal handler: async-signal-safe state only,
// so one write at a time (the programs write their pictures from one thread).
volatile sig_atomic_t g_temporaryArmed = 0;
int g_temporaryFolder = -1;
char g_temporaryName[32];
const int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemoveTemporaryAndDie(int signalNumber)
{
    // SA_RESETHAND has restored the default action and SA_NODEFER leaves the signal
    // unblocked, so raising it again ends the process as the signal would have.
    if (g_temporaryArmed)
        unlinkat(g_temporaryFolder, g_temporaryName, 0);
    raise(signalNumber);
}

sigset_t CleanedSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signalNumber : kCleanedSignals)
        sigaddset(&set, signalNumber);
    return set;
}

// Creates a temporary file of a short fixed-length name in the folder (so it fits beside any
// legal target name) and arms the handlers that remove it; -1 with errno on failure.
// Signals are blocked while the name and the handlers change, so none sees them half-set.
class TemporaryFile {
public:
    explicit TemporaryFile(int folder)
    {
        const sigset_t cleaned = CleanedSignals();
        sigset_t old;
        sigprocmask(SIG_BLOCK, &cleaned, &old);
        static const char kLetters[] =
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
            unsigned char random[6];
            if (getentropy(random, sizeof random) != 0)
                break;
            std::snprintf(g_temporaryName, sizeof g_temporaryName, ".corvane-%c%c%c%c%c%c",
                          kLetters[random[0] % 62], kLetters[random[1] % 62],
                          kLetters[random[2] % 62], kLetters[random[3] % 62],
                          kLetters[random[4] % 62], kLetters[random[5] % 62]);
            descriptor = openat(folder, g_temporaryName,
                                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (descriptor < 0 && errno != EEXIST)
                break;
        }
        const int why = errno;
        if (descriptor >= 0) {
            name = g_temporaryName;
            g_temporaryFolder = folder;
            g_temporaryArmed = 1;
            struct sigaction action;
            std::memset(&action, 0, sizeof action);
            action.sa_handler = RemoveTemporaryAndDie;
            action.sa_flags = SA_RESETHAND | SA_NODEFER;
            sigemptyset(&action.sa_mask);
            // Only where the signal would end the process anyway: an ignored signal stays
            // ignored, a handler of the program's own stays its own.
            for (size_t i = 0; i < std::size(kCleanedSignals); ++i) {
                struct sigaction current;
                sigaction(kCleanedSignals[i], nullptr, &current);
                replaced[i] = current.sa_handler == SIG_DFL;
                if (replaced[i])
                    sigaction(kCleanedSignals[i], &action, nullptr);
            }
        }
        sigprocmask(SIG_SETMASK, &old, nullptr);
        errno = why;
    }
    ~TemporaryFile() { Disarm(); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Renames the file over `target` (or removes it when `keep` is false) and disarms the
    // handlers, with the signals blocked: a signal then either comes before, and the handler
    // removes the file, or after, and finds nothing armed. False with errno when renaming fails.
    bool Finish(int folder, const std::string& target, bool keep)
    {
        const sigset_t cleaned = CleanedSignals();
        sigset_t old;
        sigprocmask(SIG_BLOCK, &cleaned, &old);
        bool renamed = keep && renameat(folder, name.c_str(), folder, target.c_str()) == 0;
        const int why = errno;
        if (!renamed)
            unlinkat(folder, name.c_str(), 0);
        Disarm();
        sigprocmask(SIG_SETMASK, &old, nullptr);
        errno = why;
        return renamed;
    }

    int descriptor = -1;

private:
    void Disarm()
    {
        if (!g_temporaryArmed)
            return;
        g_temporaryArmed = 0;
        struct sigaction fallback;
        std::memset(&fallback, 0, sizeof fallback);
        fallback.sa_handler = SIG_DFL;
        sigemptyset(&fallback.sa_mask);
        for (size_t i = 0; i < std::size(kCleanedSignals); ++i)
            if (replaced[i])
                sigaction(kCleanedSignals[i], &fallback, nullptr);
    }

    std::string name;
    bool replaced[std::size(kCleanedSignals)] = {};
};

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
}

bool PngTarget::Open(const std::string& path, std::string* error)
{
    std::string folderPath;
    std::string last;
    if (!SplitPath(path, &folderPath, &last))
        return Fail(error, "not a file name");
    int at = open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (at < 0)
        return Fail(error, std::strerror(errno));
    // Follow links from the name on; each link's text is read relative to its own folder.
    for (int links = 0;; ++links) {
        struct stat status;
        if (fstatat(at, last.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                break;  // a new file: a dangling link's target is created
            const int why = errno;
            close(at);
            return Fail(error, std::strerror(why));
        }
        if (!S_ISLNK(status.st_mode)) {
            if (!S_ISREG(status.st_mode)) {
                close(at);
                return Fail(error, "not a regular file");
            }
            break;
        }
        std::string text;
        if (links == kMostLinks || !ReadLink(at, last, &text)) {
            const int why = links == kMostLinks ? ELOOP : errno;
            close(at);
            return Fail(error, std::strerror(why));
        }
        if (!SplitPath(text, &folderPath, &last)) {
            close(at);
            return Fail(error, "not a regular file");
        }
        const int next = openat(at, folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        const int why = errno;
        close(at);
        if (next < 0)
            return Fail(error, std::strerror(why));
        at = next;
    }
    if (folder >= 0)
        close(folder);
    folder = at;
    name = last;
    return true;
}

bool WritePng(const PngTarget& target, int width, int height, const std::vector<uint8_t>& rgb,
              std::string* error)
{
    if (width <= 0 || height <= 0 || rgb.size() < size_t(width) * size_t(height) * 3)
        return Fail(error, "no picture");
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
    std::FILE* stream = fdopen(temporary.descriptor, "wb");
    if (!stream) {
        const int why = errno;
        close(temporary.descriptor);
        temporary.Finish(target.folder, target.name, false);
        return Fail(error, std::strerror(why));
    }

    png_image image = ImageOf(width, height, PNG_FORMAT_RGB);
    errno = 0;
    bool ok = png_image_write_to_stdio(&image, stream, 0, rgb.data(), width * 3, nullptr) != 0 &&
              std::fflush(stream) == 0 && fchmod(temporary.descriptor, mode) == 0 &&
              fsync(temporary.descriptor) == 0;
    std::string message = errno != 0 ? std::strerror(errno) : image.message;
    png_image_free(&image);
    if (std::fclose(stream) != 0 && ok) {
        ok = false;
        message = std::strerror(errno);
    }
    if (!temporary.Finish(target.folder, target.name, ok) && ok) {
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
