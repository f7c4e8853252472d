// MemoryByteSource: a ByteSource over a buffer the caller keeps alive, for tests, fuzzing and
// benchmarks that feed the image readers without touching the file system.
#pragma once

#include <cstddef>
#include <cstdint>

#include "texture/ByteSource.h"

class MemoryByteSource : public ByteSource {
public:
    MemoryByteSource(const void* data, size_t size);

    bool Seek(uint64_t offset) override;
    size_t Read(void* buffer, size_t size) override;
    uint64_t Size() const override { return size; }

private:
    const uint8_t* data;  // not owned
    size_t size;
    size_t position = 0;  // 0..size
};
