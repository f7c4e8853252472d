// corvane-snapshot --passes DIR: observes the scene through the run's last frame and writes
// that frame's pass pictures, passes.txt and sheet.png into DIR (PassFiles.h). Without DIR
// it observes nothing: the scene then has no observer at all.
#pragma once

#include <string>

#include "tools/snapshot/PassRecorder.h"

class PassesRun {
public:
    // Takes DIR as given on the command line (empty: off) and resolves a relative DIR
    // against the current folder, so construct it before the tool changes folder.
    PassesRun(const std::string& folder, int frames);
    ~PassesRun();
    PassesRun(const PassesRun&) = delete;
    PassesRun& operator=(const PassesRun&) = delete;

    // From the swap hook, with the idle frame's index: records only the last frame.
    void BeforeSwap(int frame);
    // True when off; otherwise writes the files, false with a reason in *error.
    bool Write(std::string* error) const;
    const std::string& Folder() const { return folder; }

private:
    std::string folder;  // absolute, or empty when off
    int lastFrame;
    PassRecorder recorder;
};
