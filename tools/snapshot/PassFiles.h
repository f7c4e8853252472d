// The folder corvane-snapshot --passes writes: NN-name.png per pass picture in drawing order
// (01-shadow-marks.png, 02-floor-base.png, ...), passes.txt with each pass's GL state, and
// sheet.png with every picture in a labelled grid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/snapshot/OutputFiles.h"
#include "tools/snapshot/PassRecorder.h"

// The --passes folder. Check refuses, writing nothing, a folder holding anything but a set the
// tool wrote: its passes.txt and the files that passes.txt records. The new set is written into
// a fresh folder beside it, then exchanged with it in one step (a missing one is made so) and
// the old set removed: the folder always holds one whole set, also when two runs write it at
// once (the last to finish wins).
class PassFolder {
public:
    PassFolder() = default;
    ~PassFolder();  // removes the new set's folder when it was not put in place
    PassFolder(const PassFolder&) = delete;
    PassFolder& operator=(const PassFolder&) = delete;

    bool Check(const std::string& given, std::string* error);
    // Writes picture `index` of the new set.
    bool WritePicture(size_t index, const PassPicture& picture, std::string* error);
    // Writes passes.txt and sheet.png and puts the new set in place. frame: the 0-based idle
    // frame shown, written 1-based in passes.txt (frame 30 of --frames 30).
    bool Commit(const std::vector<PassPicture>& pictures, const std::vector<uint8_t>& sheetPng,
                int frame, std::string* error);

    ResolvedPath target;

private:
    bool WriteFile(const std::string& name, const std::vector<uint8_t>& bytes, std::string* error);

    std::string fresh;  // the new set's folder, once made
};
