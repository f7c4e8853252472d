// ByteSource: the reading interface of the image readers. A reader sees only positioned
// reads from a byte sequence of known size, so the same code parses a file on disk or a
// buffer in memory (tests, fuzzing, benchmarks). Offsets are bytes from the start.
#pragma once

#include <cstddef>
#include <cstdint>

class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Moves the read position; false when the offset lies beyond the end or cannot be reached.
    virtual bool Seek(uint64_t offset) = 0;
    // Copies up to `size` bytes from the read position and advances it; returns the count
    // copied, less than `size` only at the end of the data or on a read error.
    virtual size_t Read(void* buffer, size_t size) = 0;
    // Total length in bytes.
    virtual uint64_t Size() const = 0;

    // Reads exactly `size` bytes from `offset`; false when fewer are there.
    bool ReadAt(uint64_t offset, void* buffer, size_t size)
    {
        return Seek(offset) && Read(buffer, size) == size;
    }
};
