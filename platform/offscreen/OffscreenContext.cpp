// The offscreen backend's EGL context: a pbuffer on the first EGL platform of the
// configuration that gives one (surfaceless, device or default display), its one pixel format
// (RGBA8, depth 24, stencil 8; reported as the configuration says), the GL context, swaps that
// keep at most two frames in flight, and the read-back of the finished frame. The scripted
// harness is OffscreenHarness.cpp.
#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/offscreen/OffscreenBackend.h"

#ifdef CORVANE_GL11
#include "gl11/Gl11.h"
#endif

namespace platform {
namespace {

// The client API of the context: desktop GL, or OpenGL ES 3 under gl11.
#ifdef CORVANE_GL11
constexpr EGLint kRenderable = EGL_OPENGL_ES3_BIT_KHR;
constexpr EGLenum kApi = EGL_OPENGL_ES_API;
constexpr EGLint kContextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION_KHR, 3, EGL_NONE};

void* LoadEs(const char* name) { return reinterpret_cast<void*>(eglGetProcAddress(name)); }
#else
constexpr EGLint kRenderable = EGL_OPENGL_BIT;
constexpr EGLenum kApi = EGL_OPENGL_API;
constexpr const EGLint* kContextAttributes = nullptr;
#endif

// Forgets the fences still pending (the frames they mark complete on their own).
void DropFences(OffscreenState& state)
{
    for (EGLSyncKHR& fence : state.inFlight) {
        if (fence != EGL_NO_SYNC_KHR)
            state.destroySync(state.display, fence);
        fence = EGL_NO_SYNC_KHR;
    }
}

}  // namespace

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

namespace {

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
                                 EGL_RENDERABLE_TYPE, kRenderable,
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

// The names of the EglPlatform values, in their order.
constexpr const char* kPlatformNames[] = {"surfaceless", "device", "default"};

}  // namespace

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

namespace {

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
            state.displayPlatform = kPlatformNames[int(platform)];
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
        tried += std::string(tried.empty() ? "" : ", ") + kPlatformNames[int(platform)] + " (" +
                 why + ")";
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

}  // namespace

// ---- The backend's part of the platform ----

const char* OwnErrorText(unsigned code)
{
    switch (code) {
    case kErrorNoEglDisplay: return "No EGL display is available.";
    case kErrorNoEglConfig: return "No EGL configuration offers the requested buffers.";
    case kErrorNoEglContext: return "The EGL context could not be created.";
    case kErrorNoPixelFormat: return "The pixel format does not exist.";
    default: return nullptr;
    }
}

int ChoosePixelFormat(Window*, const PixelFormat&)
{
    return EnsureDisplay(State()) ? 1 : 0;  // one format: the pbuffer config
}

bool DescribePixelFormat(Window*, int index, PixelFormat* granted)
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

bool SetPixelFormat(Window* window, int index, const PixelFormat&)
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

GLContext* CreateGLContext(Window* window)
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
    eglBindAPI(kApi);
    auto context = std::make_unique<GLContext>();
    context->context =
        eglCreateContext(state.display, state.eglConfig, EGL_NO_CONTEXT, kContextAttributes);
    // A minimised window still has a drawable: the pbuffer is at least 1 x 1.
    const EGLint size[] = {EGL_WIDTH, std::max(1, state.config.clientWidth),
                           EGL_HEIGHT, std::max(1, state.config.clientHeight), EGL_NONE};
    context->surface = eglCreatePbufferSurface(state.display, state.eglConfig, size);
    const bool made = context->context != EGL_NO_CONTEXT && context->surface != EGL_NO_SURFACE;
    state.context = std::move(context);
    if (made)
        return state.context.get();
    ReleaseContext(state);  // whichever of the two was made
    RecordLastError(kErrorNoEglContext);
    return nullptr;
}

bool MakeCurrent(Window*, GLContext* context)
{
    OffscreenState& state = State();
    if (!context || context != state.context.get())
        return false;
    if (!eglMakeCurrent(state.display, context->surface, context->surface, context->context))
        return false;
#ifdef CORVANE_GL11
    if (!gl11::Load(LoadEs))
        return false;
#endif
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    return true;
}

void SwapBuffers(Window*)
{
    OffscreenState& state = State();
    if (state.beforeSwap)
        state.beforeSwap(state.inIdleFrame ? state.idleFramesBegun - 1 : -1);
    // A pbuffer has no front buffer: the frame stays in the back buffer for reading.
    LimitFramesInFlight(state);
}

namespace offscreen {

SwapSyncCounts SwapSync() { return State().swapSync; }

const char* DisplayPlatformName() { return State().displayPlatform; }

const std::string& DisplayAttempts() { return State().displayAttempts; }

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

}  // namespace offscreen
}  // namespace platform
