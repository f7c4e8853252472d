// Positioned reads from a caller-owned buffer.
#include "texture/MemoryByteSource.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

MemoryByteSource::MemoryByteSource(const void* data, size_t size)
    : data(static_cast<const uint8_t*>(data)), size(size)
{
}

bool MemoryByteSource::Seek(uint64_t offset)
{
    if (offset > size)
        return false;
    position = size_t(offset);
    return true;
}

size_t MemoryByteSource::Read(void* buffer, size_t count)
{
    const size_t copied = std::min(count, size - position);
    if (copied > 0)
        std::memcpy(buffer, data + position, copied);
    position += copied;
    return copied;
}
