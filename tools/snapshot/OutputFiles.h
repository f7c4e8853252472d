// Where corvane-snapshot's outputs go. A target is resolved once, by the system (realpath: a
// link is followed and what it names replaced; the link stays), and checked before anything is
// written. What is half-written is listed, and INT, TERM, HUP, QUIT and PIPE remove it before
// they end the process, as git does its temporary files; a SIGKILL may leave it, as with any
// tool.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

// Sets *ERROR to WHY; false, for the caller to return.
bool Fail(std::string* error, const std::string& why);

struct ResolvedPath {
    std::string path, folder;  // absolute, without links
    bool exists = false, mountPoint = false;  // a mount point is never renamed or replaced
    struct stat status {};
};

// Resolves GIVEN against the working directory, links and all. Where nothing stands, its
// folder must exist (a link to nothing is refused). A file or folder there, or a new one, must
// be one this user may put in place: not in a folder it cannot write, nor over another user's
// file in a sticky folder such as /tmp. False with a reason.
bool Resolve(const std::string& given, ResolvedPath* target, std::string* error);
// A hidden name in FOLDER for a temporary file or folder, new with all but certainty.
std::string TemporaryName(const std::string& folder);
// Makes the file PATH (it must not exist), lists it, and writes BYTES into it; MODE, when not
// 0, replaces the permissions a new file gets. False with errno, and no file.
bool WriteNewFile(const std::string& path, const std::vector<uint8_t>& bytes, mode_t mode = 0);

namespace temporary {

// The one handler for INT, TERM, HUP, QUIT and PIPE (one the caller ignores stays ignored);
// SIGXFSZ is ignored, so that a file-size limit fails the write (EFBIG).
void HandleSignals();
void List(const std::string& path);  // removed by those signals (a file or an empty folder)

}  // namespace temporary

// --out: a regular file, or a new one, is written beside it and renamed over it; a FIFO, a
// character device or a bind-mounted file in place; "-", /dev/stdout, /dev/stderr, /dev/fd/N
// and /proc/self/fd/N are the descriptors already open, written at their own position.
class OutputFile {
public:
    bool Check(const std::string& given, std::string* error);  // writes nothing
    bool Write(const std::vector<uint8_t>& png, std::string* error);

    ResolvedPath target;
    bool toStdout = false;

private:
    int named = -1;  // the descriptor given
};
