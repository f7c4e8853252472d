// File reading over stdio, for the image readers. Only regular files are opened: a FIFO, a
// device, a socket or a directory could block the reader or feed it endless bytes, so such a
// name is refused at once as a file that cannot be opened.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "platform/common/Backend.h"

namespace platform {

struct File {
    std::FILE* stream;
};

namespace {

File* Refuse(int descriptor, int error)
{
    if (descriptor >= 0)
        close(descriptor);
    RecordLastError(unsigned(error));
    return nullptr;
}

}  // namespace

File* OpenFileForReading(const char* name)
{
    if (!name)
        return Refuse(-1, EINVAL);
    // O_NONBLOCK: opening a FIFO without a writer returns at once instead of waiting.
    const int descriptor = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return Refuse(-1, errno);
    struct stat status;
    if (fstat(descriptor, &status) != 0)
        return Refuse(descriptor, errno);
    if (!S_ISREG(status.st_mode))
        return Refuse(descriptor, S_ISDIR(status.st_mode) ? EISDIR : ENXIO);
    // Plain blocking reads from here on.
    const int flags = fcntl(descriptor, F_GETFL);
    if (flags < 0 || fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return Refuse(descriptor, errno);
    std::FILE* stream = fdopen(descriptor, "rb");
    if (!stream)
        return Refuse(descriptor, errno);
    return new File{stream};
}

// An offset beyond off_t's range becomes negative, which fseeko refuses.
bool SeekFile(File* file, uint64_t offsetFromStart)
{
    return fseeko(file->stream, off_t(offsetFromStart), SEEK_SET) == 0;
}

size_t ReadFile(File* file, void* buffer, size_t size)
{
    return size == 0 ? 0 : std::fread(buffer, 1, size, file->stream);
}

uint64_t FileSize(File* file)
{
    struct stat status;
    return fstat(fileno(file->stream), &status) == 0 ? uint64_t(status.st_size) : 0;
}

void CloseFile(File* file)
{
    if (!file)
        return;
    std::fclose(file->stream);
    delete file;
}

}  // namespace platform
