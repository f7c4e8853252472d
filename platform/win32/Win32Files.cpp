// File reading with CreateFileA and ReadFile, for the image readers. Only regular disk files
// are opened: a device (NUL, CON, a serial port), a pipe or a directory could block the
// reader or feed it endless bytes, so such a name is refused at once as a file that cannot be
// opened. A File is the file's HANDLE.
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "platform/Platform.h"

namespace platform {
namespace {

HANDLE Handle(File* file) { return reinterpret_cast<HANDLE>(file); }

}  // namespace

File* OpenFileForReading(const char* name)
{
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HANDLE handle = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileType(handle) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(handle, &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(handle);
        SetLastError(ERROR_BAD_FILE_TYPE);
        return nullptr;
    }
    return reinterpret_cast<File*>(handle);
}

// An offset beyond LONGLONG's range becomes negative, which SetFilePointerEx refuses.
bool SeekFile(File* file, uint64_t offsetFromStart)
{
    LARGE_INTEGER offset;
    offset.QuadPart = LONGLONG(offsetFromStart);
    return SetFilePointerEx(Handle(file), offset, nullptr, FILE_BEGIN) != FALSE;
}

// A disk file gives all it has of the request in one call; the readers ask for at most one
// picture's pixels (48 MB), well within a call's 4 GiB.
size_t ReadFile(File* file, void* buffer, size_t size)
{
    DWORD read = 0;
    return ::ReadFile(Handle(file), buffer, DWORD(size), &read, nullptr) ? read : 0;
}

uint64_t FileSize(File* file)
{
    LARGE_INTEGER size{};
    return GetFileSizeEx(Handle(file), &size) && size.QuadPart > 0 ? uint64_t(size.QuadPart) : 0;
}

void CloseFile(File* file)
{
    if (file)
        CloseHandle(Handle(file));
}

}  // namespace platform
