// The --passes part of a corvane-snapshot run.
#include "tools/snapshot/PassesRun.h"

#include <unistd.h>

#include "tools/snapshot/PassFiles.h"

PassesRun::PassesRun(const std::string& given, int frames) : folder(given), lastFrame(frames - 1)
{
    if (folder.empty())
        return;
    if (folder[0] != '/') {
        char here[4096];
        if (getcwd(here, sizeof here))
            folder = std::string(here) + "/" + folder;
    }
    recorder.recording = lastFrame == 0;  // the frame before the last switches it on
    g_passObserver = &recorder;
}

PassesRun::~PassesRun()
{
    if (g_passObserver == &recorder)
        g_passObserver = nullptr;
}

void PassesRun::BeforeSwap(int frame)
{
    if (folder.empty())
        return;
    // A paint between the two idle frames is recorded too, and replaced by the last frame.
    if (frame == lastFrame - 1)
        recorder.recording = true;
    else if (frame == lastFrame)
        recorder.recording = false;  // keeps this frame's pictures
}

bool PassesRun::Write(std::string* error) const
{
    if (folder.empty())
        return true;
    return WritePassFiles(folder, recorder.Pictures(), lastFrame, error);
}
