// The --passes part of a corvane-snapshot run.
#include "tools/snapshot/PassesRun.h"

#include "platform/offscreen/Offscreen.h"

PassesRun::~PassesRun()
{
    if (g_passObserver == this)
        g_passObserver = nullptr;
}

bool PassesRun::Open(const std::string& given, int frames, std::string* error)
{
    if (given.empty())
        return true;
    if (!folder.Check(given, error))
        return false;
    on = true;
    lastFrame = frames - 1;
    recorder.recording = false;
    recorder.sink = [this](size_t index, const PassPicture& picture) {
        if (thumbnails.size() <= index)
            thumbnails.resize(index + 1);
        thumbnails[index] = Thumbnail(picture);
        if (writeError.empty())
            folder.WritePicture(index, picture, &writeError);
    };
    g_passObserver = this;
    return true;
}

void PassesRun::PassBegins(ScenePass pass)
{
    // Only the last idle frame: while it is drawn, that many idle frames have begun and its
    // swap has not come yet. A paint (at start-up, or between idle frames) is left alone.
    if (!recorder.recording && !lastFrameDone &&
        platform::offscreen::IdleFramesBegun() == lastFrame + 1)
        recorder.recording = true;
    recorder.PassBegins(pass);
}

void PassesRun::FrameEnds() { recorder.FrameEnds(); }

void PassesRun::BeforeSwap(int frame)
{
    if (on && frame == lastFrame) {
        lastFrameDone = true;
        recorder.recording = false;  // keeps this frame's pictures
    }
}

bool PassesRun::Write(std::string* error)
{
    if (!on)
        return true;
    if (!writeError.empty()) {
        *error = writeError;
        return false;
    }
    return folder.Commit(recorder.Pictures(), thumbnails, lastFrame, error);
}
