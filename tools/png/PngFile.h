// PNG files of tightly packed 8-bit RGB rows, top row first: written by corvane-snapshot,
// read and written by the picture tests' golden images. RGBA (straight alpha) for the icons.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Where a picture goes, fixed once. A file: the folder it lands in, held open, and its name
// there. A link at the path is followed to the file it names, existing or not, so the link
// stays a link. Held as a folder and a name, never as a rebuilt path, so a later change of the
// working directory does not move it and no path length limits it. A stream ("-" for stdout, a
// FIFO, a character device, or one of this process's descriptors as /dev/stdout, /dev/fd/N or
// /proc/self/fd/N name them): the descriptor, written in place and never replaced.
class PngTarget {
public:
    PngTarget() = default;
    ~PngTarget();
    PngTarget(const PngTarget&) = delete;
    PngTarget& operator=(const PngTarget&) = delete;

    // False, with *error saying why, when the folder cannot be opened or takes no new file
    // (tried by creating and removing the temporary file), when a descriptor named is closed,
    // or when what stands at the path (after links) is neither a regular file nor a stream.
    bool Open(const std::string& path, std::string* error = nullptr);

    int folder = -1;   // open descriptor of the target's folder, -1 before Open succeeds
    std::string name;  // the target's name in that folder, without a slash
    int stream = -1;   // or the stream's descriptor (then folder stays -1)
    bool toStdout = false;  // the stream is this process's standard output

private:
    bool OpenStream(int descriptor, std::string* error);
    // Follows the links from NAME in folder AT; *isFile when a regular file (or none) ends
    // them, AT and NAME then naming it; a stream is opened instead.
    bool Follow(int* at, std::string* name, bool* isFile, std::string* error);
};

// Writes the picture to a temporary file in the target's folder and renames it over the
// target when it is complete (a stream is written in place). On failure nothing at the target
// changes, no temporary file stays, and *error (when given) says why. A fatal signal during
// the write removes the temporary file (Cleanup.h); a file-size limit is a failure (EFBIG).
// The new file takes the permission bits of the one it replaces, never setuid or setgid.
bool WritePng(const PngTarget& target, int width, int height, const std::vector<uint8_t>& rgb,
              std::string* error = nullptr);
// The same for a path, resolved now against the working directory.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
              std::string* error = nullptr);
// False when the file is missing or not a PNG; any PNG is converted to 8-bit RGB.
bool ReadPng(const std::string& path, int* width, int* height, std::vector<uint8_t>* rgb);

// Straight (not premultiplied) alpha, tightly packed rows, top row first.
bool WritePngRgba(const std::string& path, int width, int height,
                  const std::vector<uint8_t>& rgba);
// The same as PNG bytes in memory; empty on failure.
std::vector<uint8_t> EncodePngRgba(int width, int height, const std::vector<uint8_t>& rgba);
