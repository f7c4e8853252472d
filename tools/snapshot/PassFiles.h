// The folder corvane-snapshot --passes writes: NN-name.png per pass picture in drawing order
// (01-shadow-marks.png, 02-floor-base.png, ...), passes.txt with each pass's GL state, and
// sheet.png with every picture in a labelled grid. That set is the tool's; passes.txt records
// it, and only the files it names are ever replaced or removed by a later run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/png/PngFile.h"
#include "tools/snapshot/PassRecorder.h"

constexpr int kSheetColumns = 4;
constexpr int kSheetCellWidth = 320;   // pixels; a picture is scaled to fit, keeping its shape
constexpr int kSheetCellHeight = 240;

// "01-shadow-marks", ...: the file name of picture `index` (0-based) without ".png".
std::string PassFileName(size_t index, const PassPicture& picture);

// The picture scaled to fit a sheet cell, keeping its shape: each pixel the mean of the
// source pixels whose centres fall in it (or the nearest one when enlarging).
PassPicture Thumbnail(const PassPicture& picture);

// The labelled grid of the thumbnails, as tightly packed RGB rows, top row first.
std::vector<uint8_t> ContactSheet(const std::vector<PassPicture>& thumbnails, int* width,
                                  int* height);

// The folder and the set in it. Opened before the tool changes folder; the new set is put
// together in a hidden folder inside it and moved in only when complete, with every signal
// held off, so the folder holds one set, old or new, never a mix. Destroyed uncommitted, it
// removes what it wrote (and the folder itself when it made it).
class PassFolder {
public:
    PassFolder() = default;
    ~PassFolder();
    PassFolder(const PassFolder&) = delete;
    PassFolder& operator=(const PassFolder&) = delete;

    // Refuses, with a reason: a path whose parent is missing, anything there but a folder
    // (a dangling link included), a folder this user cannot write, an unreadable passes.txt
    // or one the tool did not write, or a file with a name of the set that the recorded set
    // does not hold (a file of the user's the new set would replace). A missing folder is
    // made when the first picture is written.
    bool Open(const std::string& path, std::string* error);
    // True when TARGET is a file of the folder that the new set may replace.
    bool Holds(const PngTarget& target) const;
    // Writes picture `index` of the new set.
    bool WritePicture(size_t index, const PassPicture& picture, std::string* error);
    // Writes passes.txt and sheet.png, then moves the new set in and removes the files of the
    // old set that the new one lacks. frame: the 0-based idle frame shown, written 1-based
    // in passes.txt (frame 30 of --frames 30).
    bool Commit(const std::vector<PassPicture>& pictures, const std::vector<PassPicture>& thumbnails,
                int frame, std::string* error);

private:
    bool EnsureStaging(std::string* error);
    bool WriteStaged(const std::string& name, int width, int height,
                     const std::vector<uint8_t>& rgb, std::string* error);
    bool WriteStagedText(const std::string& name, const std::string& text, std::string* error);
    void RemoveStaging();

    std::string path;             // as given, for messages
    int parent = -1;              // the folder's parent while the folder is missing
    std::string name;             // the folder's name in it
    int folder = -1;              // the folder, once it exists
    bool made = false;            // made by this run
    int staging = -1;             // the hidden folder the new set is written into
    std::string stagingName;
    std::vector<std::string> oldSet;  // the files passes.txt recorded, itself included
    std::vector<std::string> staged;  // the files of the new set written so far
};
