// corvane-snapshot --passes DIR: observes the scene through the run's last idle frame only,
// writes each of its pass pictures into the new set's folder as it is read (keeping only the
// contact sheet's thumbnails), then passes.txt and sheet.png, and puts the set in place
// (PassFiles.h). Without DIR it observes nothing: the scene then has no observer at all.
#pragma once

#include <string>
#include <vector>

#include "tools/snapshot/PassFiles.h"
#include "tools/snapshot/PassRecorder.h"

class PassesRun : private PassObserver {
public:
    ~PassesRun() override;  // not copied: it holds the folder (PassFolder)

    // Checks DIR as given on the command line (empty: off), before the tool changes folder,
    // and starts observing; false with a reason when DIR cannot take the set (PassFolder).
    bool Open(const std::string& folder, int frames, std::string* error);
    // DIR, resolved; empty when off.
    const std::string& Folder() const { return folder.target.path; }
    // From the swap hook, with the idle frame's index: the last one ends the recording.
    void BeforeSwap(int frame);
    // True when off; otherwise moves the complete set in, false with a reason in *error.
    bool Write(std::string* error);

private:
    void PassBegins(ScenePass pass) override;
    void FrameEnds() override;

    int lastFrame = 0;
    bool lastFrameDone = false;
    PassFolder folder;
    PassRecorder recorder;
    std::vector<PassPicture> thumbnails;
    std::string writeError;  // the first picture that could not be written
};
