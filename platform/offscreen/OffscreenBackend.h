// Internal to the offscreen backend: what its two files share. OffscreenHarness.cpp is the
// scripted harness (configuration, clock, keys, windows and messages, message boxes, exit);
// OffscreenContext.cpp the EGL context (display choice, pixel format, pbuffer, fences,
// read-back). Nothing outside this folder includes it.
#pragma once

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/common/Backend.h"
#include "platform/offscreen/Offscreen.h"

namespace platform {

struct GLContext {
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE;
};

// The backend's own error codes, described by OwnErrorText.
inline constexpr unsigned kErrorNoEglDisplay = kBackendErrorBase + 1;
inline constexpr unsigned kErrorNoEglConfig = kBackendErrorBase + 2;
inline constexpr unsigned kErrorNoEglContext = kBackendErrorBase + 3;
inline constexpr unsigned kErrorNoPixelFormat = kBackendErrorBase + 4;

struct OffscreenWindow final : Window {
    int formatIndex = 0;  // 0 until SetPixelFormat succeeds
};

// The backend's state: the configuration and the script's (OffscreenHarness.cpp), then the
// EGL display, context and fences (OffscreenContext.cpp).
struct OffscreenState {
    offscreen::Config config;
    OffscreenWindow* window = nullptr;  // the newest window (its record is common/'s)
    uint32_t now = 0;
    int idleFramesBegun = 0;
    int scriptAppliedFor = -1;  // the idle frame whose scripted input has been delivered
    bool inIdleFrame = false;
    bool quitPosted = false;
    std::vector<HeldRange> heldRanges;
    std::vector<ScheduledInput> inputs;
    std::vector<offscreen::RecordedMessageBox> boxes;
    std::vector<std::pair<int, unsigned>> boxCommands;  // (box number, command id)
    std::function<void(int)> beforeSwap;

    EGLDisplay display = EGL_NO_DISPLAY;
    EGLConfig eglConfig = nullptr;
    std::vector<offscreen::EglPlatform> displayOpenedFrom;  // the list the display came from
    const char* displayPlatform = "";
    std::string displayAttempts;
    bool configMissing = false;  // a display opened during the last attempt had no config
    unsigned displayError = 0;   // why the last attempt opened none; 0 after success
    std::unique_ptr<GLContext> context;

    // EGL_KHR_fence_sync of the open display; null without the extension.
    PFNEGLCREATESYNCKHRPROC createSync = nullptr;
    PFNEGLCLIENTWAITSYNCKHRPROC clientWaitSync = nullptr;
    PFNEGLDESTROYSYNCKHRPROC destroySync = nullptr;
    EGLSyncKHR inFlight[2] = {EGL_NO_SYNC_KHR, EGL_NO_SYNC_KHR};  // last two swaps, older first
    offscreen::SwapSyncCounts swapSync;
};

OffscreenState& State();

// Releases the GL context and pbuffer, and the fences of frames still in flight.
void ReleaseContext(OffscreenState& state);
// Terminates the open display, if any (a configuration listing other EGL platforms).
void CloseDisplay(OffscreenState& state);

}  // namespace platform
