// corvane-snapshot: runs the real Application on the offscreen backend for a number of idle
// frames with a scripted clock, keys and commands, writes the last frame as a PNG and, in
// bench mode, reports the real time per completed frame with the size, EGL platform and
// renderer that produced it (over gl11, also its draw calls, buffer uploads and shader
// compiles per frame). Message boxes go to stderr as
// "[CAPTION] TEXT". The exit code is the application's, or 1 when the application ended
// well but the run did not: it ended before its last frame, a file could not be written, or
// memory ran out; 2, before anything is written or drawn, for a usage error, a size it cannot
// draw, or an --out or --passes it cannot write.
#include <fcntl.h>
#include <unistd.h>

#include <GL/gl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/Resources.h"
#ifdef CORVANE_GL11_COUNTERS
#include "gl11/Gl11.h"
#endif
#include "platform/offscreen/Offscreen.h"
#include "scene/Scene.h"
#include "tools/png/PngFile.h"
#include "tools/snapshot/OutputFiles.h"
#include "tools/snapshot/PassesRun.h"
#include "tools/snapshot/SnapshotOptions.h"

namespace {

namespace offscreen = platform::offscreen;
using Clock = std::chrono::steady_clock;

// The largest picture side drawn, whatever the driver allows: 4096 x 4096 already takes about
// 330 MB and 7 s on llvmpipe (colour, depth and stencil buffers, the frame read back twice),
// 8192 x 8192 four times that.
constexpr int kMostPixelsOnASide = 8192;

// One line on stderr, after the tool's name (in one write, as the lines of a log should be);
// false, for the caller to return.
__attribute__((format(printf, 1, 2))) bool Say(const char* format, ...)
{
    const std::string line = std::string("corvane-snapshot: ") + format + "\n";
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, line.c_str(), arguments);
    va_end(arguments);
    return false;
}

void PrintMessageBoxes()
{
    for (const offscreen::RecordedMessageBox& box : offscreen::MessageBoxes()) {
        std::string text;
        for (char c : box.text)
            text += c == '\n' ? std::string("\\n") : std::string(1, c);
        std::fprintf(stderr, "[%s] %s\n", box.caption.c_str(), text.c_str());
    }
}

// What a run holds from its start to its report.
struct Run {
    SnapshotOptions options;
    OutputFile out;
    PassesRun passes;
    std::vector<uint8_t> picture;  // the last frame, for --out
    int pictureWidth = 0, pictureHeight = 0;
    int framesDrawn = 0;
    Clock::time_point firstFrameEnd, lastFrameEnd;
    std::string renderer;
#ifdef CORVANE_GL11_COUNTERS
    gl11::Counters firstFrame{}, laterFrames{};  // frame 0 with start-up; frames 1.. summed
#endif
};

// Sizes it cannot draw are refused before anything starts: the most it allows on a side,
// and the largest pbuffer the EGL display gives.
bool CheckSize(const SnapshotOptions& options)
{
    if (options.width > kMostPixelsOnASide || options.height > kMostPixelsOnASide)
        return Say("--size %dx%d is too large: at most %d on a side", options.width,
                   options.height, kMostPixelsOnASide);
    int maxWidth = 0, maxHeight = 0;
    return !offscreen::MaxPbufferSize(&maxWidth, &maxHeight) ||
           (options.width <= maxWidth && options.height <= maxHeight) ||
           Say("--size %dx%d is too large: the EGL display's pbuffers are at most %dx%d",
               options.width, options.height, maxWidth, maxHeight);
}

// Everything the run writes is checked here, writing nothing, before the run changes into
// --assets (a relative --out or --passes names the caller's file) and before the first frame.
bool CheckTargets(Run& run)
{
    const SnapshotOptions& options = run.options;
    std::string error;
    if (!options.out.empty() && !run.out.Check(options.out, &error))
        return Say("cannot write %s: %s", options.out.c_str(), error.c_str());
    if (!run.passes.Open(options.passes, options.frames, &error))
        return Say("cannot write the passes in %s: %s", options.passes.c_str(), error.c_str());
    const std::string& out = run.out.target.path;
    const std::string& passes = run.passes.Folder();
    if (!out.empty() && !passes.empty() && (out == passes || out.rfind(passes + "/", 0) == 0))
        return Say("--out %s is in the --passes folder %s, which holds only the set; name "
                   "another file", options.out.c_str(), options.passes.c_str());
    return chdir(options.assets.c_str()) == 0 || Say("cannot enter %s", options.assets.c_str());
}

// The scripted run: size, buffers, answer, frames, clock, commands and keys; and the swap
// hook that times the frames, names the renderer and reads the last frame back.
void Configure(Run& run)
{
    const SnapshotOptions& options = run.options;
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

    offscreen::SetBeforeSwapHook([&run](int frame) {
        if (frame < 0)
            return;  // a paint between idle frames
        const int lastFrame = run.options.frames - 1;
        run.framesDrawn = frame + 1;
        // The timing starts and ends at completed frames: a driver may still be drawing
        // frames whose commands were queued long ago (the swaps keep two in flight).
        if (run.options.bench && (frame == 0 || frame == lastFrame))
            glFinish();
        run.lastFrameEnd = Clock::now();
#ifdef CORVANE_GL11_COUNTERS
        const gl11::Counters counts = gl11::TakeCounters();  // since the last frame's swap
        gl11::Counters& sum = frame == 0 ? run.firstFrame : run.laterFrames;
        sum.draws += counts.draws, sum.uploads += counts.uploads, sum.compiles += counts.compiles;
#endif
        if (frame == 0) {
            run.firstFrameEnd = run.lastFrameEnd;
            const GLubyte* name = glGetString(GL_RENDERER);
            run.renderer = name ? reinterpret_cast<const char*>(name) : "";
        }
        if (frame == lastFrame && !run.options.out.empty())
            run.picture = offscreen::ReadBackBufferRgb(&run.pictureWidth, &run.pictureHeight);
        run.passes.BeforeSwap(frame);
    });
}

// Starts the platform and runs the application to its end; its exit code.
int RunApplication(int argc, char** argv, Run& run)
{
    platform::Startup(&argc, argv);
    if (!run.options.assetsGiven) {
        // The pictures are read from the working directory: say which, since a run from the
        // wrong one still ends well, with three error boxes. (After start-up: without a
        // display the run ends there with its one line.)
        char* here = getcwd(nullptr, 0);  // as long as the path is
        Say("no --assets given: reading the pictures in %s", here ? here : ".");
        std::free(here);
    }
    int exitCode = 0;
    try {
        exitCode = CorvaneMain(&kCorvaneModule);
    } catch (const offscreen::ExitRequest& request) {
        exitCode = request.exitCode;
    }
    if (run.options.bench && run.framesDrawn > 1 && run.framesDrawn < run.options.frames) {
        glFinish();  // the last frame drawn, with the little that shutting down queued after it
        run.lastFrameEnd = Clock::now();
    }
    return exitCode;
}

// The boxes, then the files: the passes, then --out. Every failure is one line on stderr;
// false after one.
bool WriteResults(Run& run)
{
    const SnapshotOptions& options = run.options;
    PrintMessageBoxes();
    if (!offscreen::DisplayAttempts().empty())
        Say("EGL displays tried: %s", offscreen::DisplayAttempts().c_str());
    if (run.framesDrawn < options.frames)
        return Say("the run ended after %d of %d frames%s%s", run.framesDrawn, options.frames,
                   options.out.empty() ? "" : "; nothing written to ", options.out.c_str());
    // Encoded first, so that memory running out changes no file.
    const std::vector<uint8_t> png =
        options.out.empty() ? std::vector<uint8_t>()
                            : EncodePng(run.pictureWidth, run.pictureHeight, run.picture);
    std::vector<uint8_t>().swap(run.picture);
    std::string error;
    if (!run.passes.Write(&error))
        return Say("cannot write the passes in %s: %s", options.passes.c_str(), error.c_str());
    return options.out.empty() || run.out.Write(png, &error) ||
           Say("cannot write %s: %s", options.out.c_str(), error.c_str());
}

// The bench line, timed from the completion of the first frame drawn to that of the last;
// every figure names what produced it. On stdout, or on stderr when the PNG goes to stdout.
void PrintBench(const Run& run)
{
    std::string renderer = run.renderer;
    std::replace(renderer.begin(), renderer.end(), '"', '\'');
    const char* platformName = offscreen::DisplayPlatformName();
    char producer[400];
    std::snprintf(producer, sizeof producer, "size=%dx%d platform=%s renderer=\"%s\"",
                  run.options.width, run.options.height, *platformName ? platformName : "none",
                  renderer.c_str());
    std::FILE* to = run.out.toStdout ? stderr : stdout;
    if (run.framesDrawn < 2) {
        std::fprintf(to, "frames=%d no figure: timing needs at least 2 frames %s\n",
                     run.framesDrawn, producer);
        return;
    }
    const double ms =
        std::chrono::duration<double, std::milli>(run.lastFrameEnd - run.firstFrameEnd).count();
    const double msPerFrame = ms / (run.framesDrawn - 1);
    std::string work;  // gl11's work per frame after the first, and in the first with start-up
#ifdef CORVANE_GL11_COUNTERS
    char counts[200];
    const double later = run.framesDrawn - 1;
    std::snprintf(counts, sizeof counts,
                  "draws=%.1f uploads=%.1f compiles=%.2f first_frame=%u/%u/%u ",
                  run.laterFrames.draws / later, run.laterFrames.uploads / later,
                  run.laterFrames.compiles / later, run.firstFrame.draws, run.firstFrame.uploads,
                  run.firstFrame.compiles);
    work = counts;
#endif
    std::fprintf(to, "frames=%d ms_per_frame=%.3f fps=%.1f %s%s\n", run.framesDrawn, msPerFrame,
                 msPerFrame > 0.0 ? 1000.0 / msPerFrame : 0.0, work.c_str(), producer);
}

// A full device or a closed descriptor on stdout is a failure of its own: one line.
bool StdoutWritten()
{
    return (std::fflush(stdout) == 0 && !std::ferror(stdout)) ||
           Say("cannot write to the standard output: %s", std::strerror(errno));
}

// A closed standard descriptor would be taken by the next file opened (the X connection, say),
// and what is printed would go there. Each closed one gets /dev/null opened read-only: reading
// finds nothing, and writing fails (EBADF), as it does on the closed descriptor.
void HoldClosedStandardDescriptors()
{
    for (int descriptor = 0; descriptor <= 2; ++descriptor)
        if (fcntl(descriptor, F_GETFD) == -1 && errno == EBADF)
            open("/dev/null", O_RDONLY);  // the lowest free descriptor: this one
}

// The whole run; its exit code.
int Snapshot(int argc, char** argv)
{
    Run run;
    std::string error;
    if (!ParseSnapshotOptions(argc, argv, &run.options, &error)) {
        std::fprintf(stderr, "corvane-snapshot: %s\n%s", error.c_str(), kSnapshotUsage);
        return 2;
    }
    if (run.options.help) {
        std::fputs(kSnapshotUsage, stdout);
        return StdoutWritten() ? 0 : 1;
    }
    if (!CheckTargets(run) || !CheckSize(run.options))
        return 2;
    Configure(run);
    int exitCode = RunApplication(argc, argv, run);
    bool failed = !WriteResults(run);
    if (run.options.bench)
        PrintBench(run);
    failed = !StdoutWritten() || failed;
    offscreen::Teardown();
    if (exitCode == 0 && failed)
        exitCode = 1;
    return exitCode & 0xFF;
}

}  // namespace

int main(int argc, char** argv)
{
    HoldClosedStandardDescriptors();
    temporary::HandleSignals();
    try {
        return Snapshot(argc, argv);
    } catch (const std::bad_alloc&) {
        // The run's own destructors have removed what was half-written: the outputs are as
        // they were.
        std::fputs("corvane-snapshot: out of memory\n", stderr);
        return 1;
    }
}
