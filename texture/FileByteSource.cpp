// Positioned reads from a file through the platform layer.
#include "texture/FileByteSource.h"

#include "platform/Platform.h"

FileByteSource::FileByteSource(const char* fileName)
    : file(platform::OpenFileForReading(fileName))
{
    if (file)
        size = platform::FileSize(file);
}

FileByteSource::~FileByteSource()
{
    platform::CloseFile(file);
}

bool FileByteSource::Seek(uint64_t offset)
{
    return file && offset <= size && platform::SeekFile(file, offset);
}

size_t FileByteSource::Read(void* buffer, size_t count)
{
    return file ? platform::ReadFile(file, buffer, count) : 0;
}
