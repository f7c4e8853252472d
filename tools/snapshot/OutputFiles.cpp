// Resolving and replacing the tool's outputs, and the list of what a signal removes.
#include "tools/snapshot/OutputFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>

bool Fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

namespace {

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// The system's absolute path, without links; empty, with errno, when it has none.
std::string RealPath(const std::string& path)
{
    char* real = realpath(path.c_str(), nullptr);
    const std::string resolved = real ? real : "";
    std::free(real);
    return resolved;
}

// Writes all of BYTES; false with errno.
bool WriteAll(int file, const std::vector<uint8_t>& bytes)
{
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t written = write(file, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno != EINTR)
            return false;
        done += written > 0 ? size_t(written) : 0;
    }
    return true;
}

constexpr int kHandledSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};
// Room is kept for every entry a run makes (at most 17), so that adding one never moves what
// the handler reads. Entries stay after their file is renamed or removed: removing what is no
// longer there does nothing.
std::vector<std::string> g_listed;

extern "C" void RemoveListedAndRaise(int number)
{
    for (auto path = g_listed.rbegin(); path != g_listed.rend(); ++path)  // files, then folders
        if (unlink(path->c_str()) != 0)
            rmdir(path->c_str());
    raise(number);  // SA_RESETHAND has put back the default action: it ends the process
}

}  // namespace

bool Resolve(const std::string& given, ResolvedPath* target, std::string* error)
{
    std::string path = given;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    std::string real = RealPath(path);
    if (real.empty() && errno == ENOENT) {  // nothing there: a new file or folder
        real = RealPath(FolderOf(path));
        if (!real.empty())
            real += (real == "/" ? "" : "/") + path.substr(path.rfind('/') + 1);
        if (!real.empty() && lstat(real.c_str(), &target->status) == 0)
            return Fail(error, "a link to nothing");
    }
    target->exists = !real.empty() && lstat(real.c_str(), &target->status) == 0;
    if (real.empty() || (!target->exists && errno != ENOENT))
        return Fail(error, std::strerror(errno));
    target->path = real;
    target->folder = FolderOf(real);
    const mode_t type = target->status.st_mode & S_IFMT;
    struct statx mount {};  // also a bind-mounted file or folder, which st_dev may not tell
    target->mountPoint = statx(AT_FDCWD, real.c_str(), AT_SYMLINK_NOFOLLOW, 0, &mount) == 0 &&
                         (mount.stx_attributes & STATX_ATTR_MOUNT_ROOT);
    if ((target->exists && type != S_IFREG && type != S_IFDIR) || target->mountPoint)
        return true;  // not replaced: the caller decides
    struct stat folder;
    if (stat(target->folder.c_str(), &folder) != 0 ||
        faccessat(AT_FDCWD, target->folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return Fail(error, target->folder + ": " + std::strerror(errno));
    // In a sticky folder only the file's owner, the folder's and root may replace it.
    const uid_t user = geteuid();
    return !(target->exists && (folder.st_mode & S_ISVTX) && user != 0 &&
             target->status.st_uid != user && folder.st_uid != user) ||
           Fail(error, "another user's, in a sticky folder: only they may replace it");
}

std::string TemporaryName(const std::string& folder)
{
    return folder + "/.corvane-" + std::to_string(std::random_device()());
}

bool WriteNewFile(const std::string& path, const std::vector<uint8_t>& bytes, mode_t mode)
{
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file < 0)
        return false;
    temporary::List(path);
    int why = 0;
    if (!WriteAll(file, bytes) || (mode != 0 && fchmod(file, mode) != 0) || fsync(file) != 0)
        why = errno;
    if (close(file) != 0 && why == 0)
        why = errno;
    if (why == 0)
        return true;
    unlink(path.c_str());
    errno = why;
    return false;
}

namespace temporary {

void HandleSignals()
{
    g_listed.reserve(64);
    struct sigaction action {};
    action.sa_handler = RemoveListedAndRaise;
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigfillset(&action.sa_mask);  // one cleaning at a time
    for (const int number : kHandledSignals) {
        struct sigaction old;
        if (sigaction(number, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
            sigaction(number, &action, nullptr);
    }
    signal(SIGXFSZ, SIG_IGN);
}

void List(const std::string& path) { g_listed.push_back(path); }

}  // namespace temporary

bool OutputFile::Check(const std::string& given, std::string* error)
{
    for (const std::string prefix : {"/dev/fd/", "/proc/self/fd/"})
        if (given.rfind(prefix, 0) == 0 && given.size() > prefix.size() &&
            given.size() <= prefix.size() + 6 &&
            given.find_first_not_of("0123456789", prefix.size()) == std::string::npos)
            named = std::atoi(given.c_str() + prefix.size());
    if (given == "-" || given == "/dev/stdout" || given == "/dev/stderr")
        named = given == "/dev/stderr" ? STDERR_FILENO : STDOUT_FILENO;
    toStdout = named == STDOUT_FILENO;
    const int flags = named >= 0 ? fcntl(named, F_GETFL) : 0;
    if (named >= 0)
        return (flags >= 0 && (flags & O_ACCMODE) != O_RDONLY) ||
               Fail(error, "not open for writing");
    if (!Resolve(given, &target, error))
        return false;
    const mode_t type = target.status.st_mode & S_IFMT;
    return !target.exists || type == S_IFREG || type == S_IFIFO || type == S_IFCHR ||
           Fail(error, "not a regular file, a FIFO or a character device");
}

bool OutputFile::Write(const std::vector<uint8_t>& png, std::string* error)
{
    if (png.empty())
        return Fail(error, "no picture");
    if (named >= 0 || (target.exists && (!S_ISREG(target.status.st_mode) || target.mountPoint))) {
        const int file = named >= 0 ? named  // in place, opened as the shell's > opens it
                         : open(target.path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
        const bool ok = file >= 0 && WriteAll(file, png);
        const int why = errno;
        if (file >= 0 && file != named)
            close(file);
        return ok || Fail(error, std::strerror(why));
    }
    // A temporary file beside it, renamed over it when complete, with its permissions (never
    // setuid or setgid).
    const std::string temporary = TemporaryName(target.folder);
    const bool written =
        WriteNewFile(temporary, png, target.exists ? target.status.st_mode & 0777 : 0);
    if (written && std::rename(temporary.c_str(), target.path.c_str()) == 0)
        return true;
    const int why = errno;
    if (written)
        unlink(temporary.c_str());
    return Fail(error, std::strerror(why));
}
