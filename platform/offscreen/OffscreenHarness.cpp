// The offscreen backend's scripted harness: the configuration, the scripted clock and keys,
// commands and close clicks delivered by idle frames, one window at a time (a new one, or
// Configure, forgets the last), the message loop's peek, message boxes recorded and answered
// from the configuration (with commands delivered inside a box's modal loop), and ExitProcess
// as the exception ExitRequest. The EGL context is OffscreenContext.cpp.
// Does not: show anything, take real input, resize (the client size is the configuration's),
// or send kMessagePaint after the first.
#include <cerrno>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/offscreen/OffscreenBackend.h"

namespace platform {
namespace {

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
    DeliverScriptedInput(state.window, frame, state.heldRanges, state.inputs);
}

}  // namespace

OffscreenState& State()
{
    static OffscreenState state;
    return state;
}

// ---- The backend's part of the platform ----

// GLUT needs the server's GLX, and there is no window to report its absence in.
bool StartToolkit() { return RequireXDisplay(true); }

bool AcceptClass(const RegisteredClass&)
{
    if (State().config.failRegisterClass) {
        RecordLastError(EINVAL);
        return false;
    }
    return true;
}

std::unique_ptr<Window> NewWindow() { return std::make_unique<OffscreenWindow>(); }

bool BuildWindow(Window& window, const RegisteredClass&, int, int)
{
    OffscreenState& state = State();
    ReleaseContext(state);
    ForgetWindows(&window);
    state.window = static_cast<OffscreenWindow*>(&window);
    SendCreate(&window);
    return true;
}

void ShowAppWindow(Window* window)
{
    if (!IsLiveWindow(window))
        return;
    SendClientSize(window, State().config.clientWidth, State().config.clientHeight);
    QueueMessage(window, kMessagePaint, 0, 0);
}

// Nothing to take down or mirror: the window is its record.
void TearDownWindow(Window&) {}
void MirrorTitle(Window&) {}
void MirrorMenuItem(Window&, const MenuItemState&) {}

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

int ShowMessageBox(const MessageBoxRequest& request)
{
    OffscreenState& state = State();
    const int answer = request.yesNo ? state.config.yesNoAnswer : kAnswerOk;
    state.boxes.push_back({request.caption, request.text, request.style, answer});
    // The box's modal loop: commands chosen in the main window's menu meanwhile.
    const int box = int(state.boxes.size()) - 1;
    for (const auto& [number, id] : state.boxCommands)
        if (number == box && IsLiveWindow(state.window) &&
            IsMenuItemEnabled(&state.window->menu, id))
            state.window->windowProc(state.window, kMessageCommand, id, 0);
    return answer;
}

Window* GetFocusWindow() { return IsLiveWindow(State().window) ? State().window : nullptr; }

uint32_t TimeMs() { return State().now; }

void ExitProcess(int exitCode) { throw offscreen::ExitRequest{exitCode}; }

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

void SetTime(uint32_t ms) { State().now = ms; }

void AdvanceTime(uint32_t ms) { State().now += ms; }

void PostClose()
{
    if (IsLiveWindow(State().window))
        QueueMessage(State().window, kMessageClose, 0, 0);
}

void ScheduleCommandInBox(int box, unsigned id) { State().boxCommands.push_back({box, id}); }

int IdleFramesBegun() { return State().idleFramesBegun; }

void SetBeforeSwapHook(std::function<void(int)> hook) { State().beforeSwap = std::move(hook); }

const std::vector<RecordedMessageBox>& MessageBoxes() { return State().boxes; }

Window* MainWindow() { return State().window; }

bool WindowDestroyed() { return State().window && State().window->destroyed; }

void Teardown()
{
    OffscreenState& state = State();
    ReleaseContext(state);
    ForgetWindows();
    state.window = nullptr;
}

}  // namespace offscreen
}  // namespace platform
