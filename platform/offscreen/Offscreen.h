// Control of the offscreen backend, for tests, corvane-snapshot and benchmarks.
// The window is an EGL pbuffer (desktop GL compatibility profile) of the configured client
// size, on the first EGL platform that offers one: Mesa's surfaceless platform, else a
// device (EGL_EXT_platform_device), else the default display. Each swap keeps at most two
// frames in flight, as a window's swap chain would. Time and keys are scripted, message boxes are
// recorded and answered from the configuration, and ExitProcess throws ExitRequest so that
// start-up failures can be observed in-process. The script runs by idle frames: each time
// the application's loop finds no message waiting, one idle frame begins.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace platform {

// The key state IsKeyDown reads (the emulated one, common/Emulated.cpp).
void SetKeyDown(Key key, bool down);

}  // namespace platform

namespace platform::offscreen {

// Thrown by platform::ExitProcess instead of ending the process.
struct ExitRequest {
    int exitCode;
};

// EGL platforms the display may be opened on, tried in the order the configuration lists.
enum class EglPlatform { kSurfaceless, kDevice, kDefault };

struct Config {
    int clientWidth = 640;
    int clientHeight = 480;
    // What the pixel format reports as granted (the pbuffer itself always has 8 bits per
    // channel and 8 stencil bits; only the reported values change).
    int grantedColorBits = 32;
    int grantedStencilBits = 8;
    int yesNoAnswer = kAnswerYes;  // the answer to every Yes/No box
    bool failRegisterClass = false;
    bool failSetPixelFormat = false;
    bool failCreateContext = false;
    unsigned failureErrorCode = 22;  // recorded by the failures above (22: EINVAL)
    // Idle frames after which the loop receives kMessageQuit (exit code 0); < 0: never.
    int idleFrameLimit = -1;
    uint32_t startTimeMs = 1000;
    uint32_t stepMs = 16;  // the clock advances by this much before each idle frame but the first
    // Tried in turn; the display opened stays open until a configuration lists others.
    std::vector<EglPlatform> eglPlatforms = {EglPlatform::kSurfaceless, EglPlatform::kDevice,
                                             EglPlatform::kDefault};
    // false: every swap finishes its frame (glFinish), as on a display without
    // EGL_KHR_fence_sync.
    bool useFenceSync = true;
};

// How the swaps since Configure bounded the frames in flight: a fence left per swap and the
// one of two swaps earlier waited for, or a glFinish per swap.
struct SwapSyncCounts {
    int fencesMade = 0;
    int fencesWaited = 0;
    int finishes = 0;
};

struct RecordedMessageBox {
    std::string caption;
    std::string text;
    unsigned style;
    int answer;
};

// Before the application starts: resets all recorded state, then applies the configuration.
void Configure(const Config& config);
const Config& CurrentConfig();

// Scripted input. Commands are delivered as the menu delivers them: a greyed item's command
// is dropped. Key presses go through the accelerator table as keystrokes.
void ScheduleCommand(int idleFrame, unsigned id);
// Held in [from, to); a key given several ranges is held in each of them.
void ScheduleKeyHeld(Key key, int fromIdleFrame, int toIdleFrame);
void ScheduleKeyPress(int idleFrame, Key key);
// Immediate control, for tests that call the application directly.
using platform::SetKeyDown;
void SetTime(uint32_t ms);
void AdvanceTime(uint32_t ms);
void PostClose();  // as a click on the close box
// As a menu command chosen while message box number `box` (0: the first since Configure)
// is open: the box's modal loop delivers it at once, as Win32's does, whose main window stays
// enabled behind a box without owner. A greyed item's command is dropped.
void ScheduleCommandInBox(int box, unsigned id);

// Idle frames begun so far (the loop found its queue empty this many times).
int IdleFramesBegun();
// Called with the frame's index just before each buffer swap; the back buffer then holds
// the finished frame. Frames drawn for kMessagePaint report -1.
void SetBeforeSwapHook(std::function<void(int idleFrame)> hook);

const std::vector<RecordedMessageBox>& MessageBoxes();

SwapSyncCounts SwapSync();

// The EGL platform of the open display ("surfaceless", "device" or "default"), or "" while
// none is open. After a failure to open one: each platform tried and why it was refused.
const char* DisplayPlatformName();
const std::string& DisplayAttempts();

// The window's state, for assertions.
Window* MainWindow();
bool WindowDestroyed();

// Reads the current back buffer as tightly packed RGB rows, top row first. The read waits
// until the frame drawn into it is complete.
std::vector<uint8_t> ReadBackBufferRgb(int* width, int* height);

// Reads WIDTH x HEIGHT pixels from the bottom left of the current read buffer as tightly
// packed rows of CHANNELS bytes of FORMAT (a GLenum: GL_RGB with 3, GL_STENCIL_INDEX with 1,
// ...), top row first; the pixel-store state is put back. A side below 1 reads 1.
std::vector<uint8_t> ReadPixelsTopDown(unsigned format, int channels, int width, int height);

// The largest pbuffer the EGL display's configuration can give (EGL_MAX_PBUFFER_WIDTH and
// _HEIGHT), in pixels; false when there is no display to ask. Opens the display if needed.
bool MaxPbufferSize(int* width, int* height);

// Releases the GL context and pbuffer (the next window makes new ones).
void Teardown();

}  // namespace platform::offscreen
