// File reading over stdio, for the image readers.
#include <cerrno>
#include <cstdio>

#include "platform/Platform.h"
#include "platform/common/Internal.h"

namespace platform {

struct File {
    std::FILE* stream;
};

File* OpenFileForReading(const char* name)
{
    std::FILE* stream = name ? std::fopen(name, "rb") : nullptr;
    if (!stream) {
        RecordLastError(unsigned(errno));
        return nullptr;
    }
    return new File{stream};
}

bool SeekFile(File* file, uint64_t offsetFromStart)
{
    if (offsetFromStart > uint64_t(0x7FFFFFFFFFFFFFFF))
        return false;
    return fseeko(file->stream, off_t(offsetFromStart), SEEK_SET) == 0;
}

size_t ReadFile(File* file, void* buffer, size_t size)
{
    return size == 0 ? 0 : std::fread(buffer, 1, size, file->stream);
}

uint64_t FileSize(File* file)
{
    const off_t here = ftello(file->stream);
    if (fseeko(file->stream, 0, SEEK_END) != 0)
        return 0;
    const off_t size = ftello(file->stream);
    fseeko(file->stream, here, SEEK_SET);
    return size < 0 ? 0 : uint64_t(size);
}

void CloseFile(File* file)
{
    if (!file)
        return;
    std::fclose(file->stream);
    delete file;
}

}  // namespace platform
