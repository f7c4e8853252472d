// The --passes part of a corvane-snapshot run.
#include "tools/snapshot/PassesRun.h"

#include "platform/offscreen/Offscreen.h"
#include "tools/png/PngFile.h"
#include "tools/snapshot/ContactSheet.h"

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
    if (!Folder().empty() && frame == lastFrame) {
        lastFrameDone = true;
        recorder.recording = false;  // keeps this frame's pictures
    }
}

bool PassesRun::Write(std::string* error)
{
    if (Folder().empty())
        return true;
    if (!writeError.empty()) {
        *error = writeError;
        return false;
    }
    int width = 0, height = 0;
    const std::vector<uint8_t> sheet = ContactSheet(thumbnails, &width, &height);
    return folder.Commit(recorder.Pictures(), EncodePng(width, height, sheet), lastFrame, error);
}
