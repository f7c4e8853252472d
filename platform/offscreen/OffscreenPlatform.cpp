// The offscreen backend: the platform interface over an EGL pbuffer on Mesa's surfaceless
// platform, with a scripted clock and key state, recorded message boxes and ExitProcess as
// an exception. Everything the backend knows lives in one OffscreenState object; the window
// classes and the message queue are common/'s.
#include "platform/offscreen/Offscreen.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/common/Internal.h"

namespace platform {

struct MenuItemState {
    bool checked = false;
    bool enabled = true;
};

struct Menu {
    std::map<unsigned, MenuItemState> items;  // by command id
};

struct GLContext {
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE;
};

struct Window {
    WindowProc windowProc = nullptr;
    std::string title;
    std::unique_ptr<Menu> menu;
    bool destroyed = false;
    int formatIndex = 0;  // 0 until SetPixelFormat succeeds
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

struct OffscreenState {
    offscreen::Config config;
    std::unique_ptr<Window> window;
    bool keys[int(Key::kCount)] = {};
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
    std::unique_ptr<GLContext> context;
};

OffscreenState& State()
{
    static OffscreenState state;
    return state;
}

void ReleaseContext(OffscreenState& state)
{
    if (!state.context)
        return;
    eglMakeCurrent(state.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (state.context->surface != EGL_NO_SURFACE)
        eglDestroySurface(state.display, state.context->surface);
    if (state.context->context != EGL_NO_CONTEXT)
        eglDestroyContext(state.display, state.context->context);
    state.context.reset();
}

// The surfaceless display and an RGBA8 / depth 24 / stencil 8 pbuffer config, opened once.
bool EnsureDisplay(OffscreenState& state)
{
    if (state.display != EGL_NO_DISPLAY)
        return true;
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
        RecordLastError(kErrorNoEglDisplay);
        return false;
    }
    EGLDisplay display =
        getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        RecordLastError(kErrorNoEglDisplay);
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
        RecordLastError(kErrorNoEglConfig);
        return false;
    }
    state.display = display;
    return true;
}

intptr_t Send(Window* window, unsigned message, uintptr_t wParam, intptr_t lParam)
{
    return window->windowProc(window, message, wParam, lParam);
}

bool IsLive(const Window* window)
{
    return window && window == State().window.get() && !window->destroyed;
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
        state.keys[int(range.key)] = false;
    for (const HeldRange& range : state.heldRanges)
        if (frame >= range.from && frame < range.to)
            state.keys[int(range.key)] = true;
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

const char* BackendErrorText(unsigned code)
{
    switch (code) {
    case kErrorNoEglDisplay: return "No EGL display is available.";
    case kErrorNoEglConfig: return "No EGL configuration offers the requested buffers.";
    case kErrorNoEglContext: return "The EGL context could not be created.";
    case kErrorNoPixelFormat: return "The pixel format does not exist.";
    default: return nullptr;
    }
}

void BackendStartup() { RequireXDisplay(); }

bool BackendRegisterClass(const RegisteredClass&)
{
    if (State().config.failRegisterClass) {
        RecordLastError(EINVAL);
        return false;
    }
    return true;
}

bool BackendIsLiveWindow(const Window* window) { return IsLive(window); }

intptr_t BackendSendMessage(Window* window, unsigned message, uintptr_t wParam, intptr_t lParam)
{
    return Send(window, message, wParam, lParam);
}

Window* CreateAppWindow(const char* className, const char* title, int, int)
{
    OffscreenState& state = State();
    const RegisteredClass* windowClass = FindWindowClass(className);
    if (!windowClass) {
        RecordLastError(kErrorUnknownClass);
        return nullptr;
    }
    ReleaseContext(state);
    Shared().queue.clear();
    state.window = std::make_unique<Window>();
    Window* window = state.window.get();
    window->windowProc = windowClass->windowProc;
    window->title.reserve(80);  // a frame-rate title then never allocates
    window->title = title ? title : "";
    window->menu = std::make_unique<Menu>();
    if (const MenuTemplate* menu =
            FindMenuTemplate(windowClass->instance, windowClass->menuResource)) {
        for (size_t e = 0; e < menu->count; ++e)
            if (menu->entries[e].kind == MenuEntry::kItem)
                window->menu->items[menu->entries[e].id] = MenuItemState{};
    }
    Send(window, kMessageCreate, 0, 0);
    return window;
}

void ShowAppWindow(Window* window)
{
    const offscreen::Config& config = State().config;
    const uintptr_t size = (uintptr_t(config.clientWidth) & 0xFFFF) |
                           ((uintptr_t(config.clientHeight) & 0xFFFF) << 16);
    Send(window, kMessageSize, 0, intptr_t(size));
    QueueMessage(window, kMessagePaint, 0, 0);
}

Menu* GetWindowMenu(Window* window) { return window ? window->menu.get() : nullptr; }

void SetWindowTitle(Window* window, const char* text) { window->title = text ? text : ""; }

const char* GetWindowTitle(Window* window) { return window->title.c_str(); }

void CheckMenuItem(Menu* menu, unsigned id, bool checked)
{
    if (auto item = menu->items.find(id); item != menu->items.end())
        item->second.checked = checked;
}

void EnableMenuItem(Menu* menu, unsigned id, bool enabled)
{
    if (auto item = menu->items.find(id); item != menu->items.end())
        item->second.enabled = enabled;
}

bool IsMenuItemChecked(Menu* menu, unsigned id)
{
    auto item = menu->items.find(id);
    return item != menu->items.end() && item->second.checked;
}

bool IsMenuItemEnabled(Menu* menu, unsigned id)
{
    auto item = menu->items.find(id);
    return item == menu->items.end() || item->second.enabled;
}

bool PeekAppMessage(MessageRecord* message)
{
    OffscreenState& state = State();
    state.inIdleFrame = false;
    if (Shared().queue.empty()) {
        const int limit = state.config.idleFrameLimit;
        if (!state.quitPosted && limit >= 0 && state.idleFramesBegun >= limit) {
            state.quitPosted = true;
            PostQuitMessage(0);
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

intptr_t DefaultWindowProc(Window* window, unsigned message, uintptr_t, intptr_t)
{
    if (message == kMessageClose && !window->destroyed) {
        window->destroyed = true;
        Send(window, kMessageDestroy, 0, 0);
    }
    return 0;
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
    if (State().config.failSetPixelFormat) {
        RecordLastError(State().config.failureErrorCode);
        return false;
    }
    if (index != 1) {
        RecordLastError(kErrorNoPixelFormat);
        return false;
    }
    window->formatIndex = index;
    return true;
}

GLContext* CreateGLContext(Window* window)
{
    OffscreenState& state = State();
    if (state.config.failCreateContext) {
        RecordLastError(state.config.failureErrorCode);
        return nullptr;
    }
    if (!window || window->formatIndex == 0 || !EnsureDisplay(state)) {
        RecordLastError(kErrorNoPixelFormat);
        return nullptr;
    }
    ReleaseContext(state);
    eglBindAPI(EGL_OPENGL_API);
    auto context = std::make_unique<GLContext>();
    context->context = eglCreateContext(state.display, state.eglConfig, EGL_NO_CONTEXT, nullptr);
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

bool MakeCurrent(Window*, GLContext* context)
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

void SwapBuffers(Window*)
{
    OffscreenState& state = State();
    if (state.beforeSwap)
        state.beforeSwap(state.inIdleFrame ? state.idleFramesBegun - 1 : -1);
    // A pbuffer has no front buffer: the frame stays in the back buffer for reading.
}

int ShowMessageBox(Window*, const char* text, const char* caption, unsigned style)
{
    OffscreenState& state = State();
    const int answer = (style & 0x0F) == kYesNo ? state.config.yesNoAnswer : kAnswerOk;
    state.boxes.push_back({caption ? caption : "", text ? text : "", style, answer});
    // The box's modal loop: commands chosen in the main window's menu meanwhile.
    const int box = int(state.boxes.size()) - 1;
    for (const auto& [number, id] : state.boxCommands) {
        Window* window = state.window.get();
        if (number == box && IsLive(window) && IsMenuItemEnabled(window->menu.get(), id))
            Send(window, kMessageCommand, id, 0);
    }
    return answer;
}

Window* GetFocusWindow()
{
    Window* window = State().window.get();
    return window && !window->destroyed ? window : nullptr;
}

bool IsKeyDown(Key key)
{
    const int index = int(key);
    return index > 0 && index < int(Key::kCount) && State().keys[index];
}

uint32_t TimeMs() { return State().now; }

void ExitProcess(int exitCode) { throw offscreen::ExitRequest{exitCode}; }

namespace offscreen {

void Configure(const Config& config)
{
    OffscreenState& state = State();
    ReleaseContext(state);
    state.config = config;
    Shared().classes.clear();
    state.window.reset();
    Shared().queue.clear();
    std::fill(std::begin(state.keys), std::end(state.keys), false);
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

void SetKeyDown(Key key, bool down)
{
    if (int(key) > 0 && int(key) < int(Key::kCount))
        State().keys[int(key)] = down;
}

void SetTime(uint32_t ms) { State().now = ms; }

void AdvanceTime(uint32_t ms) { State().now += ms; }

void PostMenuCommand(unsigned id)
{
    OffscreenState& state = State();
    Window* window = state.window.get();
    if (!window || window->destroyed || !IsMenuItemEnabled(window->menu.get(), id))
        return;  // a greyed item cannot be chosen
    QueueMessage(window, kMessageCommand, id, 0);
}

void PostKeyPress(Key key)
{
    OffscreenState& state = State();
    if (state.window && !state.window->destroyed)
        QueueMessage(state.window.get(), kMessageKeyDown, uintptr_t(key), 0);
}

void PostClose()
{
    OffscreenState& state = State();
    if (state.window && !state.window->destroyed)
        QueueMessage(state.window.get(), kMessageClose, 0, 0);
}

void ScheduleCommandInBox(int box, unsigned id) { State().boxCommands.push_back({box, id}); }

int IdleFramesBegun() { return State().idleFramesBegun; }

void SetBeforeSwapHook(std::function<void(int)> hook) { State().beforeSwap = std::move(hook); }

const std::vector<RecordedMessageBox>& MessageBoxes() { return State().boxes; }

Window* MainWindow() { return State().window.get(); }

bool WindowDestroyed() { return State().window && State().window->destroyed; }

std::vector<uint8_t> ReadBackBufferRgb(int* width, int* height)
{
    const Config& config = State().config;
    const int w = std::max(1, config.clientWidth);
    const int h = std::max(1, config.clientHeight);
    std::vector<uint8_t> bottomUp(size_t(w) * size_t(h) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<uint8_t> topDown(bottomUp.size());
    const size_t row = size_t(w) * 3;
    for (int y = 0; y < h; ++y)
        std::memcpy(&topDown[size_t(y) * row], &bottomUp[size_t(h - 1 - y) * row], row);
    *width = w;
    *height = h;
    return topDown;
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
    state.window.reset();
    Shared().queue.clear();
}

}  // namespace offscreen
}  // namespace platform
