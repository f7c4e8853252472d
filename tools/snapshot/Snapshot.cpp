// corvane-snapshot: runs the real Application on the offscreen backend for a number of idle
// frames with a scripted clock, keys and commands, writes the last frame as a PNG and, in
// bench mode, reports the real time per completed frame with the size, EGL platform and
// renderer that produced it. Message boxes go to stderr as
// "[CAPTION] TEXT". The exit code is the application's, or 1 when the application ended
// well but the run did not: it ended before its last frame, or the PNG could not be written.
#include <unistd.h>

#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/Resources.h"
#include "platform/offscreen/Offscreen.h"
#include "scene/Scene.h"
#include "tools/png/PngFile.h"
#include "tools/snapshot/SnapshotOptions.h"

namespace {

namespace offscreen = platform::offscreen;
using Clock = std::chrono::steady_clock;

void PrintMessageBoxes()
{
    for (const offscreen::RecordedMessageBox& box : offscreen::MessageBoxes()) {
        std::string text;
        for (char c : box.text)
            text += c == '\n' ? std::string("\\n") : std::string(1, c);
        std::fprintf(stderr, "[%s] %s\n", box.caption.c_str(), text.c_str());
    }
}

}  // namespace

int main(int argc, char** argv)
{
    SnapshotOptions options;
    std::string error;
    if (!ParseSnapshotOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "corvane-snapshot: %s\n%s", error.c_str(), kSnapshotUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kSnapshotUsage, stdout);
        return 0;
    }
    if (!options.out.empty() && options.out[0] != '/') {
        char here[4096];
        if (getcwd(here, sizeof here))
            options.out = std::string(here) + "/" + options.out;  // relative to the caller
    }
    if (chdir(options.assets.c_str()) != 0) {
        std::fprintf(stderr, "corvane-snapshot: cannot enter %s\n", options.assets.c_str());
        return 2;
    }

    offscreen::Config config;
    config.clientWidth = options.width;
    config.clientHeight = options.height;
    config.grantedColorBits = options.colorBits;
    config.grantedStencilBits = options.stencilBits;
    config.yesNoAnswer = options.answerYes ? platform::kAnswerYes : platform::kAnswerNo;
    config.idleFrameLimit = options.frames;
    config.stepMs = uint32_t(options.stepMs);
    offscreen::Configure(config);
    g_limitLightPasses = !options.fullExtent;
    for (const SnapshotCommand& command : options.commands)
        offscreen::ScheduleCommand(command.frame, command.id);
    for (const SnapshotKeyHold& hold : options.keys)
        offscreen::ScheduleKeyHeld(hold.key, hold.from, hold.to);

    const int lastFrame = options.frames - 1;
    std::vector<uint8_t> picture;
    int pictureWidth = 0, pictureHeight = 0;
    int framesDrawn = 0;
    Clock::time_point firstFrameEnd, lastFrameEnd;
    std::string renderer;
    offscreen::SetBeforeSwapHook([&](int frame) {
        if (frame < 0)
            return;  // a paint between idle frames
        framesDrawn = frame + 1;
        // The timing starts and ends at completed frames: a driver may still be drawing
        // frames whose commands were queued long ago (the swaps keep two in flight).
        if (options.bench && (frame == 0 || frame == lastFrame))
            glFinish();
        lastFrameEnd = Clock::now();
        if (frame == 0) {
            firstFrameEnd = lastFrameEnd;
            const GLubyte* name = glGetString(GL_RENDERER);
            renderer = name ? reinterpret_cast<const char*>(name) : "";
        }
        if (frame == lastFrame && !options.out.empty())
            picture = offscreen::ReadBackBufferRgb(&pictureWidth, &pictureHeight);
    });

    int exitCode = 0;
    platform::Startup(&argc, argv);
    try {
        exitCode = CorvaneMain(&kCorvaneModule);
    } catch (const offscreen::ExitRequest& request) {
        exitCode = request.exitCode;
    }
    if (options.bench && framesDrawn > 1 && framesDrawn < options.frames) {
        glFinish();  // the last frame drawn, with the little that shutting down queued after it
        lastFrameEnd = Clock::now();
    }
    PrintMessageBoxes();
    if (!offscreen::DisplayAttempts().empty())
        std::fprintf(stderr, "corvane-snapshot: EGL displays tried: %s\n",
                     offscreen::DisplayAttempts().c_str());

    // Every failure is one line on stderr and a non-zero exit: the application's own code
    // when it has one, else 1.
    bool failed = false;
    if (framesDrawn < options.frames) {
        std::fprintf(stderr, "corvane-snapshot: the run ended after %d of %d frames%s%s\n",
                     framesDrawn, options.frames,
                     options.out.empty() ? "" : "; nothing written to ", options.out.c_str());
        failed = true;
    } else if (!options.out.empty() &&
               !WritePng(options.out, pictureWidth, pictureHeight, picture, &error)) {
        std::fprintf(stderr, "corvane-snapshot: cannot write %s: %s\n", options.out.c_str(),
                     error.c_str());
        failed = true;
    }
    if (options.bench) {
        // Timed from the completion of the first frame drawn to that of the last. Every
        // figure names what produced it.
        for (char& c : renderer)
            c = c == '"' ? '\'' : c;
        const char* platformName = offscreen::DisplayPlatformName();
        char producer[400];
        std::snprintf(producer, sizeof producer, "size=%dx%d platform=%s renderer=\"%s\"",
                      options.width, options.height, *platformName ? platformName : "none",
                      renderer.c_str());
        if (framesDrawn < 2) {
            std::printf("frames=%d no figure: timing needs at least 2 frames %s\n", framesDrawn,
                        producer);
        } else {
            const double ms =
                std::chrono::duration<double, std::milli>(lastFrameEnd - firstFrameEnd).count();
            const double msPerFrame = ms / (framesDrawn - 1);
            std::printf("frames=%d ms_per_frame=%.3f fps=%.1f %s\n", framesDrawn, msPerFrame,
                        msPerFrame > 0.0 ? 1000.0 / msPerFrame : 0.0, producer);
        }
    }
    offscreen::Teardown();
    if (exitCode == 0 && failed)
        exitCode = 1;
    return exitCode & 0xFF;
}
