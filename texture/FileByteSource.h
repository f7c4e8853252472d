// FileByteSource: a ByteSource over a file opened with the platform's file functions.
// The file is opened by the constructor and closed by the destructor; IsOpen tells whether
// opening succeeded. The size is taken once at opening (the file is not expected to change).
#pragma once

#include <cstddef>
#include <cstdint>

#include "texture/ByteSource.h"

namespace platform {
struct File;
}

class FileByteSource : public ByteSource {
public:
    explicit FileByteSource(const char* fileName);
    ~FileByteSource() override;
    FileByteSource(const FileByteSource&) = delete;
    FileByteSource& operator=(const FileByteSource&) = delete;

    bool IsOpen() const { return file != nullptr; }

    bool Seek(uint64_t offset) override;
    size_t Read(void* buffer, size_t size) override;
    uint64_t Size() const override { return size; }

private:
    platform::File* file;  // null when the file could not be opened
    uint64_t size = 0;     // bytes, as found at opening
};
