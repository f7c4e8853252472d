// corvane-snapshot: runs the real Application on the offscreen backend for a number of idle
// frames with a scripted clock, keys and commands, writes the last frame as a PNG and, in
// bench mode, reports the real time per completed frame with the size, EGL platform and
// renderer that produced it. Message boxes go to stderr as
// "[CAPTION] TEXT". The exit code is the application's, or 1 when the application ended
// well but the run did not: it ended before its last frame, or the PNG could not be written;
// 2, before anything runs, for a usage error, a size it cannot draw or an --out it cannot
// place.
#include <unistd.h>

#include <GL/gl.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/Resources.h"
#include "platform/offscreen/Offscreen.h"
#include "scene/Scene.h"
#include "tools/png/PngFile.h"
#include "tools/snapshot/PassesRun.h"
#include "tools/snapshot/SnapshotOptions.h"

namespace {

namespace offscreen = platform::offscreen;
using Clock = std::chrono::steady_clock;

// The largest picture side drawn, whatever the driver allows: 4096 x 4096 already takes about
// 330 MB and 7 s on llvmpipe (colour, depth and stencil buffers, the frame read back twice),
// 8192 x 8192 four times that.
constexpr int kMostPixelsOnASide = 8192;

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
    PassesRun passes(options.passes, options.frames);  // before the change of folder

    if (options.help) {
        std::fputs(kSnapshotUsage, stdout);
        return 0;
    }
    // Sizes it cannot draw are refused before anything starts: the most it allows on a side,
    // and the largest pbuffer the EGL display gives.
    if (options.width > kMostPixelsOnASide || options.height > kMostPixelsOnASide) {
        std::fprintf(stderr, "corvane-snapshot: --size %dx%d is too large: at most %d on a side\n",
                     options.width, options.height, kMostPixelsOnASide);
        return 2;
    }
    int maxWidth = 0, maxHeight = 0;
    if (offscreen::MaxPbufferSize(&maxWidth, &maxHeight) &&
        (options.width > maxWidth || options.height > maxHeight)) {
        std::fprintf(stderr,
                     "corvane-snapshot: --size %dx%d is too large: the EGL display's pbuffers "
                     "are at most %dx%d\n",
                     options.width, options.height, maxWidth, maxHeight);
        return 2;
    }
    // The output's folder is opened here, in the caller's working directory, before the run
    // changes into --assets: a relative --out names the caller's file, whatever its length.
    PngTarget out;
    if (!options.out.empty() && !out.Open(options.out, &error)) {
        std::fprintf(stderr, "corvane-snapshot: cannot write %s: %s\n", options.out.c_str(),
                     error.c_str());
        return 2;
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
        passes.BeforeSwap(frame);
    });

    int exitCode = 0;
    platform::Startup(&argc, argv);
    if (!options.assetsGiven) {
        // The pictures are read from the working directory: say which, since a run from the
        // wrong one still ends well, with three error boxes. (After start-up: without a
        // display the run ends there with its one line.)
        char* here = getcwd(nullptr, 0);  // as long as the path is
        std::fprintf(stderr, "corvane-snapshot: no --assets given: reading the pictures in %s\n",
                     here ? here : ".");
        std::free(here);
    }
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
               !WritePng(out, pictureWidth, pictureHeight, picture, &error)) {
        std::fprintf(stderr, "corvane-snapshot: cannot write %s: %s\n", options.out.c_str(),
                     error.c_str());
        failed = true;
    }
    if (!failed && !passes.Write(&error)) {
        std::fprintf(stderr, "corvane-snapshot: cannot write the passes: %s\n", error.c_str());
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
