// The offscreen backend: the platform interface over an EGL pbuffer (surfaceless, device or
// default display, whichever opens first), for tests, tools and benchmarks.
//
// Supports: one window at a time (a new one, or Configure, forgets the last); one pixel format,
// the pbuffer's (RGBA8, depth 24, stencil 8), reported as the configuration says; at most two
// frames in flight per swap; a scripted clock and scripted keys, commands and close clicks,
// delivered by idle frames; message boxes recorded and answered from the configuration, with
// commands delivered inside a box's modal loop; ExitProcess as the exception ExitRequest.
// Does not: show anything, take real input, resize (the client size is the configuration's),
// or send kMessagePaint after the first.
#include "platform/offscreen/Offscreen.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "platform/common/Backend.h"

namespace platform {

struct GLContext {
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE;
};

namespace {

constexpr unsigned kErrorNoEglDisplay = kBackendErrorBase + 1;
constexpr unsigned kErrorNoEglConfig = kBackendErrorBase + 2;
constexpr unsigned kErrorNoEglContext = kBackendErrorBase + 3;
constexpr unsigned kErrorNoPixelFormat = kBackendErrorBase + 4;

struct HeldRange {
    Key key;
    int from;  // first idle frame held
    int to;    // first idle frame released
};

struct ScheduledInput {
    int frame;
    bool isCommand;  // else a key press
    unsigned value;  // command id or Key
};

struct OffscreenWindow final : Window {
    int formatIndex = 0;  // 0 until SetPixelFormat succeeds
};

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

OffscreenState& State()
{
    static OffscreenState state;
    return state;
}

// Forgets the fences still pending (the frames they mark complete on their own).
void DropFences(OffscreenState& state)
{
    for (EGLSyncKHR& fence : state.inFlight) {
        if (fence != EGL_NO_SYNC_KHR)
            state.destroySync(state.display, fence);
        fence = EGL_NO_SYNC_KHR;
    }
}

void ReleaseContext(OffscreenState& state)
{
    if (!state.context)
        return;
    DropFences(state);
    eglMakeCurrent(state.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (state.context->surface != EGL_NO_SURFACE)
        eglDestroySurface(state.display, state.context->surface);
    if (state.context->context != EGL_NO_CONTEXT)
        eglDestroyContext(state.display, state.context->context);
    state.context.reset();
}

bool HasExtension(const char* list, const char* name)
{
    const size_t length = std::strlen(name);
    for (const char* at = list ? std::strstr(list, name) : nullptr; at;
         at = std::strstr(at + length, name))
        if ((at == list || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0'))
            return true;
    return false;
}

// Initialises one display and picks an RGBA8 / depth 24 / stencil 8 desktop-GL pbuffer
// config on it; on failure the display is left terminated and *why says what was missing.
bool OpenDisplay(OffscreenState& state, EGLDisplay display, std::string* why)
{
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        *why = "not initialised";
        return false;
    }
    const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                                 EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                 EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                                 EGL_ALPHA_SIZE, 8, EGL_DEPTH_SIZE, 24, EGL_STENCIL_SIZE, 8,
                                 EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, &state.eglConfig, 1, &count) || count < 1) {
        eglTerminate(display);
        state.configMissing = true;
        *why = "no desktop-GL pbuffer with 8 stencil bits";
        return false;
    }
    state.display = display;
    return true;
}

bool OpenPlatform(OffscreenState& state, offscreen::EglPlatform platform, std::string* why)
{
    const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    switch (platform) {
    case offscreen::EglPlatform::kSurfaceless:
        if (!getPlatformDisplay || !HasExtension(client, "EGL_MESA_platform_surfaceless")) {
            *why = "no EGL_MESA_platform_surfaceless";
            return false;
        }
        return OpenDisplay(
            state, getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr),
            why);
    case offscreen::EglPlatform::kDevice: {
        auto queryDevices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(
            eglGetProcAddress("eglQueryDevicesEXT"));
        if (!getPlatformDisplay || !queryDevices ||
            !HasExtension(client, "EGL_EXT_platform_device")) {
            *why = "no EGL_EXT_platform_device";
            return false;
        }
        EGLint count = 0;
        if (!queryDevices(0, nullptr, &count) || count < 1) {
            *why = "no device";
            return false;
        }
        std::vector<EGLDeviceEXT> devices(static_cast<size_t>(count));
        if (!queryDevices(count, devices.data(), &count))
            count = 0;
        // The first device that gives the pbuffer; the reason of the last one refused.
        for (EGLint d = 0; d < count; ++d)
            if (OpenDisplay(state, getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[d], nullptr),
                            why))
                return true;
        *why = std::to_string(count) + (count == 1 ? " device: " : " devices, the last: ") + *why;
        return false;
    }
    case offscreen::EglPlatform::kDefault:
        return OpenDisplay(state, eglGetDisplay(EGL_DEFAULT_DISPLAY), why);
    }
    return false;
}

const char* PlatformName(offscreen::EglPlatform platform)
{
    switch (platform) {
    case offscreen::EglPlatform::kSurfaceless: return "surfaceless";
    case offscreen::EglPlatform::kDevice: return "device";
    case offscreen::EglPlatform::kDefault: return "default";
    }
    return "";
}

void CloseDisplay(OffscreenState& state)
{
    if (state.display == EGL_NO_DISPLAY)
        return;
    ReleaseContext(state);
    eglTerminate(state.display);
    state.display = EGL_NO_DISPLAY;
    state.displayPlatform = "";
    state.createSync = nullptr;
    state.clientWaitSync = nullptr;
    state.destroySync = nullptr;
}

// Opens the display once, on the first platform of the configuration that gives the
// pbuffer; on failure records each platform tried with its reason.
bool EnsureDisplay(OffscreenState& state)
{
    if (state.display != EGL_NO_DISPLAY)
        return true;
    std::string tried;
    state.configMissing = false;
    for (offscreen::EglPlatform platform : state.config.eglPlatforms) {
        std::string why;
        if (OpenPlatform(state, platform, &why)) {
            state.displayOpenedFrom = state.config.eglPlatforms;
            state.displayPlatform = PlatformName(platform);
            state.displayAttempts.clear();
            state.displayError = 0;
            if (HasExtension(eglQueryString(state.display, EGL_EXTENSIONS), "EGL_KHR_fence_sync")) {
                state.createSync = reinterpret_cast<PFNEGLCREATESYNCKHRPROC>(
                    eglGetProcAddress("eglCreateSyncKHR"));
                state.clientWaitSync = reinterpret_cast<PFNEGLCLIENTWAITSYNCKHRPROC>(
                    eglGetProcAddress("eglClientWaitSyncKHR"));
                state.destroySync = reinterpret_cast<PFNEGLDESTROYSYNCKHRPROC>(
                    eglGetProcAddress("eglDestroySyncKHR"));
                if (!state.clientWaitSync || !state.destroySync)
                    state.createSync = nullptr;
            }
            return true;
        }
        tried += std::string(tried.empty() ? "" : ", ") + PlatformName(platform) + " (" + why + ")";
    }
    state.displayAttempts = tried.empty() ? "no platform listed" : tried;
    state.displayError = state.configMissing ? kErrorNoEglConfig : kErrorNoEglDisplay;
    RecordLastError(state.displayError);
    return false;
}

// A pbuffer never throttles: without a wait a GPU driver queues the commands (and memory) of
// thousands of frames. So each swap behaves like a swap chain's: it leaves a fence and
// waits for the fence of two swaps earlier, keeping at most two frames in flight. Where the
// display has no fences, each swap finishes its frame.
void LimitFramesInFlight(OffscreenState& state)
{
    if (!state.context)
        return;
    EGLSyncKHR fence = EGL_NO_SYNC_KHR;
    if (state.createSync && state.config.useFenceSync)
        fence = state.createSync(state.display, EGL_SYNC_FENCE_KHR, nullptr);
    if (fence == EGL_NO_SYNC_KHR) {
        glFinish();  // covers the frames of any fence still pending too
        ++state.swapSync.finishes;
        DropFences(state);
        return;
    }
    ++state.swapSync.fencesMade;
    const EGLSyncKHR oldest = state.inFlight[0];
    state.inFlight[0] = state.inFlight[1];
    state.inFlight[1] = fence;
    if (oldest == EGL_NO_SYNC_KHR)
        return;
    if (state.clientWaitSync(state.display, oldest, EGL_SYNC_FLUSH_COMMANDS_BIT_KHR,
                             EGL_FOREVER_KHR) == EGL_CONDITION_SATISFIED_KHR)
        ++state.swapSync.fencesWaited;
    else
        glFinish();  // the wait failed: bound the queue anyway
    state.destroySync(state.display, oldest);
}

// Delivers the scripted input of the idle frame about to begin: key holds, the clock step
// and queued commands and key presses.
void ApplyScript(OffscreenState& state)
{
    const int frame = state.idleFramesBegun;
    if (state.scriptAppliedFor == frame)
        return;
    state.scriptAppliedFor = frame;
    if (frame > 0)
        state.now += state.config.stepMs;
    // A key with ranges is held when any of its ranges holds the frame.
    for (const HeldRange& range : state.heldRanges)
        SetKeyHeld(range.key, false);
    for (const HeldRange& range : state.heldRanges)
        if (frame >= range.from && frame < range.to)
            SetKeyHeld(range.key, true);
    for (const ScheduledInput& input : state.inputs) {
        if (input.frame != frame)
            continue;
        if (input.isCommand)
            offscreen::PostMenuCommand(input.value);
        else
            offscreen::PostKeyPress(static_cast<Key>(input.value));
    }
}

}  // namespace

class OffscreenBackend final : public EmulatedBackend {
public:
    void StartToolkit() override { RequireXDisplay(); }

    bool AcceptClass(const RegisteredClass&) override
    {
        if (State().config.failRegisterClass) {
            RecordLastError(EINVAL);
            return false;
        }
        return true;
    }

    const char* OwnErrorText(unsigned code) override
    {
        switch (code) {
        case kErrorNoEglDisplay: return "No EGL display is available.";
        case kErrorNoEglConfig: return "No EGL configuration offers the requested buffers.";
        case kErrorNoEglContext: return "The EGL context could not be created.";
        case kErrorNoPixelFormat: return "The pixel format does not exist.";
        default: return nullptr;
        }
    }

    std::unique_ptr<Window> NewWindow() override { return std::make_unique<OffscreenWindow>(); }

    bool BuildWindow(Window& window, const RegisteredClass&, int, int) override
    {
        OffscreenState& state = State();
        ReleaseContext(state);
        ForgetWindows(&window);
        state.window = static_cast<OffscreenWindow*>(&window);
        SendCreate(&window);
        return true;
    }

    void RevealWindow(Window& window) override
    {
        SendClientSize(&window, State().config.clientWidth, State().config.clientHeight);
        QueueMessage(&window, kMessagePaint, 0, 0);
    }

    void TearDownWindow(Window&) override {}
    void MirrorTitle(Window&) override {}
    void MirrorMenuItem(Window&, const MenuItemState&) override {}

    bool TakeMessage(MessageRecord* message) override
    {
        OffscreenState& state = State();
        state.inIdleFrame = false;
        if (Shared().queue.empty()) {
            const int limit = state.config.idleFrameLimit;
            if (!state.quitPosted && limit >= 0 && state.idleFramesBegun >= limit) {
                state.quitPosted = true;
                PostQuit(0);
            } else {
                ApplyScript(state);
            }
        }
        if (TakeQueuedMessage(message))
            return true;
        // The caller runs an idle frame now.
        state.inIdleFrame = true;
        ++state.idleFramesBegun;
        return false;
    }

    int ChooseFormat(Window*, const PixelFormat&) override
    {
        return EnsureDisplay(State()) ? 1 : 0;  // one format: the pbuffer config
    }

    bool DescribeFormat(Window*, int index, PixelFormat* granted) override
    {
        if (index != 1) {
            RecordLastError(kErrorNoPixelFormat);
            return false;
        }
        const offscreen::Config& config = State().config;
        granted->flags = kDrawToWindow | kSupportOpenGL | kDoubleBuffer;
        granted->colorBits = config.grantedColorBits;
        granted->depthBits = 24;
        granted->stencilBits = config.grantedStencilBits;
        return true;
    }

    bool SetFormat(Window* window, int index, const PixelFormat&) override
    {
        OffscreenState& state = State();
        if (state.config.failSetPixelFormat) {
            RecordLastError(state.config.failureErrorCode);
            return false;
        }
        if (index != 1) {
            // The zero index of a display that could not be opened keeps that reason.
            const unsigned displayError = state.display == EGL_NO_DISPLAY ? state.displayError : 0;
            RecordLastError(displayError ? displayError : kErrorNoPixelFormat);
            return false;
        }
        if (!IsLiveWindow(window)) {
            RecordLastError(kErrorInvalidWindow);
            return false;
        }
        static_cast<OffscreenWindow*>(window)->formatIndex = index;
        return true;
    }

    GLContext* CreateContext(Window* window) override
    {
        OffscreenState& state = State();
        if (state.config.failCreateContext) {
            RecordLastError(state.config.failureErrorCode);
            return nullptr;
        }
        if (!IsLiveWindow(window) || static_cast<OffscreenWindow*>(window)->formatIndex == 0 ||
            !EnsureDisplay(state)) {
            RecordLastError(kErrorNoPixelFormat);
            return nullptr;
        }
        ReleaseContext(state);
        eglBindAPI(EGL_OPENGL_API);
        auto context = std::make_unique<GLContext>();
        context->context =
            eglCreateContext(state.display, state.eglConfig, EGL_NO_CONTEXT, nullptr);
        // A minimised window still has a drawable: the pbuffer is at least 1 x 1.
        const EGLint size[] = {EGL_WIDTH, std::max(1, state.config.clientWidth),
                               EGL_HEIGHT, std::max(1, state.config.clientHeight), EGL_NONE};
        context->surface = eglCreatePbufferSurface(state.display, state.eglConfig, size);
        if (context->context == EGL_NO_CONTEXT || context->surface == EGL_NO_SURFACE) {
            if (context->surface != EGL_NO_SURFACE)
                eglDestroySurface(state.display, context->surface);
            if (context->context != EGL_NO_CONTEXT)
                eglDestroyContext(state.display, context->context);
            RecordLastError(kErrorNoEglContext);
            return nullptr;
        }
        state.context = std::move(context);
        return state.context.get();
    }

    bool BindContext(Window*, GLContext* context) override
    {
        OffscreenState& state = State();
        if (!context || context != state.context.get())
            return false;
        if (!eglMakeCurrent(state.display, context->surface, context->surface, context->context))
            return false;
        glDrawBuffer(GL_BACK);
        glReadBuffer(GL_BACK);
        return true;
    }

    void Swap(Window*) override
    {
        OffscreenState& state = State();
        if (state.beforeSwap)
            state.beforeSwap(state.inIdleFrame ? state.idleFramesBegun - 1 : -1);
        // A pbuffer has no front buffer: the frame stays in the back buffer for reading.
        LimitFramesInFlight(state);
    }

    int ShowBox(const MessageBoxRequest& request) override
    {
        OffscreenState& state = State();
        const int answer = request.yesNo ? state.config.yesNoAnswer : kAnswerOk;
        state.boxes.push_back({request.caption, request.text, request.style, answer});
        // The box's modal loop: commands chosen in the main window's menu meanwhile.
        const int box = int(state.boxes.size()) - 1;
        for (const auto& [number, id] : state.boxCommands)
            if (number == box && IsLiveWindow(state.window) &&
                IsMenuItemEnabled(&state.window->menu, id))
                Send(state.window, kMessageCommand, id, 0);
        return answer;
    }

    Window* FocusWindow() override
    {
        return IsLiveWindow(State().window) ? State().window : nullptr;
    }

    uint32_t Milliseconds() override { return State().now; }

    [[noreturn]] void Exit(int exitCode) override { throw offscreen::ExitRequest{exitCode}; }
};

CORVANE_PLATFORM_BACKEND(OffscreenBackend)

namespace offscreen {

void Configure(const Config& config)
{
    OffscreenState& state = State();
    ReleaseContext(state);
    if (config.eglPlatforms != state.displayOpenedFrom)
        CloseDisplay(state);
    state.config = config;
    Shared().classes.clear();
    ForgetWindows();
    state.window = nullptr;
    ReleaseAllKeys();
    state.now = config.startTimeMs;
    state.idleFramesBegun = 0;
    state.scriptAppliedFor = -1;
    state.inIdleFrame = false;
    state.quitPosted = false;
    state.heldRanges.clear();
    state.inputs.clear();
    state.boxes.clear();
    state.boxCommands.clear();
    state.beforeSwap = nullptr;
    state.swapSync = {};
    state.displayAttempts.clear();
    state.displayError = 0;
    RecordLastError(0);
}

const Config& CurrentConfig() { return State().config; }

void ScheduleCommand(int idleFrame, unsigned id)
{
    State().inputs.push_back({idleFrame, true, id});
}

void ScheduleKeyHeld(Key key, int fromIdleFrame, int toIdleFrame)
{
    State().heldRanges.push_back({key, fromIdleFrame, toIdleFrame});
}

void ScheduleKeyPress(int idleFrame, Key key)
{
    State().inputs.push_back({idleFrame, false, unsigned(key)});
}

void SetKeyDown(Key key, bool down) { SetKeyHeld(key, down); }

void SetTime(uint32_t ms) { State().now = ms; }

void AdvanceTime(uint32_t ms) { State().now += ms; }

void PostMenuCommand(unsigned id)
{
    Window* window = State().window;
    if (IsLiveWindow(window) && IsMenuItemEnabled(&window->menu, id))  // greyed: not chosen
        QueueMessage(window, kMessageCommand, id, 0);
}

void PostKeyPress(Key key)
{
    if (IsLiveWindow(State().window))
        QueueMessage(State().window, kMessageKeyDown, uintptr_t(key), 0);
}

void PostClose()
{
    if (IsLiveWindow(State().window))
        QueueMessage(State().window, kMessageClose, 0, 0);
}

void ScheduleCommandInBox(int box, unsigned id) { State().boxCommands.push_back({box, id}); }

int IdleFramesBegun() { return State().idleFramesBegun; }

void SetBeforeSwapHook(std::function<void(int)> hook) { State().beforeSwap = std::move(hook); }

const std::vector<RecordedMessageBox>& MessageBoxes() { return State().boxes; }

SwapSyncCounts SwapSync() { return State().swapSync; }

const char* DisplayPlatformName() { return State().displayPlatform; }

const std::string& DisplayAttempts() { return State().displayAttempts; }

Window* MainWindow() { return State().window; }

bool WindowDestroyed() { return State().window && State().window->destroyed; }

std::vector<uint8_t> ReadBackBufferRgb(int* width, int* height)
{
    const Config& config = State().config;
    *width = std::max(1, config.clientWidth);
    *height = std::max(1, config.clientHeight);
    glReadBuffer(GL_BACK);
    return ReadPixelsTopDown(GL_RGB, 3, *width, *height);
}

bool MaxPbufferSize(int* width, int* height)
{
    OffscreenState& state = State();
    EGLint maxWidth = 0, maxHeight = 0;
    if (!EnsureDisplay(state) ||
        !eglGetConfigAttrib(state.display, state.eglConfig, EGL_MAX_PBUFFER_WIDTH, &maxWidth) ||
        !eglGetConfigAttrib(state.display, state.eglConfig, EGL_MAX_PBUFFER_HEIGHT, &maxHeight))
        return false;
    *width = maxWidth;
    *height = maxHeight;
    return true;
}

void Teardown()
{
    OffscreenState& state = State();
    ReleaseContext(state);
    ForgetWindows();
    state.window = nullptr;
}

}  // namespace offscreen
}  // namespace platform
