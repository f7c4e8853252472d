// The web backend: the window is the page's canvas, the menu bar and message boxes are the
// page's HTML (built and shown by corvane-lib.js and page.js), the GL context is WebGL 2 with
// 8 stencil bits, and the message loop is the program's own: each buffer swap suspends it
// (Asyncify) until the browser's next animation frame, and a message box until it is answered.
// Messages, accelerators and key state are the shared emulation (common/Emulated.cpp).
#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "gl11/Gl11.h"
#include "platform/common/Backend.h"
#include "platform/web/Web.h"

extern "C" {
// corvane-lib.js: the page's side.
void corvane_menu_add(int kind, const char* text, unsigned id);
void corvane_menu_item(unsigned id, int checked, int enabled, int checkable);
void corvane_title(const char* text);
int corvane_message_box(const char* text, const char* caption, int yesNo, int icon);
void corvane_wait_frame();
void corvane_hold();
void corvane_ended(int exitCode);
void corvane_scripted_done();
int corvane_context_bits();  // red+green+blue+alpha bits, stencil bits in bits 8 and up
}

namespace platform {

struct GLContext {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle = 0;
};

namespace {

inline constexpr unsigned kErrorNoWebGl2 = kBackendErrorBase + 1;

struct WebState {
    Window* window = nullptr;
    GLContext context;
    bool scripted = false;
    web::Script script;
    std::vector<HeldRange> holds;         // the script's key holds and commands, as the
    std::vector<ScheduledInput> commands;  // shared delivery takes them
    uint32_t now = 1000;
    int idleFramesBegun = 0;
    int scriptAppliedFor = -1;  // the idle frame whose scripted input has been delivered
    bool sizeChanged = false;
} g_state;

void* LoadProc(const char* name) { return emscripten_webgl_get_proc_address(name); }

// The scripted input of the idle frame about to begin, as the offscreen harness delivers it.
void ApplyScript()
{
    const int frame = g_state.idleFramesBegun;
    if (g_state.scriptAppliedFor == frame)
        return;  // delivered already: the messages it queued have been taken
    g_state.scriptAppliedFor = frame;
    if (frame > 0)
        g_state.now += g_state.script.stepMs;
    DeliverScriptedInput(g_state.window, frame, g_state.holds, g_state.commands);
}

void SendCanvasSize()
{
    int width = 0, height = 0;
    emscripten_get_canvas_element_size("#canvas", &width, &height);
    SendClientSize(g_state.window, width, height);
}

}  // namespace

namespace web {
void UseScript(const Script& script)
{
    g_state.scripted = true;
    g_state.script = script;
    for (const Script::Input& input : script.inputs) {
        if (input.command)
            g_state.commands.push_back({input.frame, true, input.value});
        else
            g_state.holds.push_back({Key(input.value), input.frame, input.to});
    }
    emscripten_set_canvas_element_size("#canvas", script.width, script.height);
}
}  // namespace web

// ---- The page's input, called from page.js; ignored in scripted mode ----

extern "C" {

EMSCRIPTEN_KEEPALIVE void web_key(int key, int down)
{
    if (g_state.scripted || !IsKnownKey(Key(key)))
        return;
    SetKeyDown(Key(key), down != 0);
    if (down && IsLiveWindow(g_state.window))
        QueueMessage(g_state.window, kMessageKeyDown, unsigned(key), 0);
}

EMSCRIPTEN_KEEPALIVE void web_release_keys() { ReleaseAllKeys(); }

EMSCRIPTEN_KEEPALIVE void web_command(unsigned id)
{
    Window* window = g_state.window;
    if (!g_state.scripted && IsLiveWindow(window) && IsMenuItemEnabled(&window->menu, id))
        QueueMessage(window, kMessageCommand, id, 0);
}

// The canvas has a new size: sent as kMessageSize when the loop next looks for messages.
EMSCRIPTEN_KEEPALIVE void web_resized() { g_state.sizeChanged = !g_state.scripted; }

}  // extern "C"

// ---- Start-up, windows, menu, title ----

bool StartToolkit() { return true; }
void KeepLoadedLibrariesMapped() {}
bool AcceptClass(const RegisteredClass&) { return true; }

const char* OwnErrorText(unsigned code)
{
    return code == kErrorNoWebGl2
               ? "This browser gives no WebGL 2 context with a depth and stencil buffer."
               : nullptr;
}

std::unique_ptr<Window> NewWindow() { return std::make_unique<Window>(); }

bool BuildWindow(Window& window, const RegisteredClass& windowClass, int, int)
{
    g_state.window = &window;
    MirrorTitle(window);
    if (const MenuTemplate* menu = FindMenuTemplate(windowClass.instance, windowClass.menuResource))
        for (size_t e = 0; e < menu->count; ++e)
            corvane_menu_add(menu->entries[e].kind, menu->entries[e].text,
                             menu->entries[e].id);
    return SendCreate(&window);
}

void ShowAppWindow(Window* window)
{
    if (!IsLiveWindow(window))
        return;
    SendCanvasSize();
    QueueMessage(window, kMessagePaint, 0, 0);
}

void TearDownWindow(Window&) {}
void MirrorTitle(Window& window) { corvane_title(window.title.c_str()); }

void MirrorMenuItem(Window&, const MenuItemState& item)
{
    corvane_menu_item(item.id, item.checked, item.enabled, item.checkable);
}

Window* GetFocusWindow() { return IsLiveWindow(g_state.window) ? g_state.window : nullptr; }

// ---- The loop ----

bool PeekAppMessage(MessageRecord* message)
{
    if (g_state.sizeChanged && IsLiveWindow(g_state.window)) {
        g_state.sizeChanged = false;
        SendCanvasSize();
    }
    if (g_state.scripted && Shared().queue.empty())
        ApplyScript();
    if (TakeQueuedMessage(message))
        return true;
    ++g_state.idleFramesBegun;  // the caller draws an idle frame now
    return false;
}

uint32_t TimeMs()
{
    return g_state.scripted ? g_state.now : uint32_t(uint64_t(emscripten_get_now()));
}

void SwapBuffers(Window*)
{
    // The browser shows the frame when control returns to it. A scripted run stops after
    // its last idle frame and leaves that frame on the canvas.
    if (g_state.scripted && g_state.idleFramesBegun >= g_state.script.frames) {
        corvane_scripted_done();
        corvane_hold();
    }
    corvane_wait_frame();
}

// ---- Pixel format and context: one format, WebGL 2 with depth and stencil ----

int ChoosePixelFormat(Window*, const PixelFormat&)
{
    if (g_state.context.handle > 0)
        return 1;
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_TRUE;  // 32 colour bits, as asked; the page behind is black
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_TRUE;
    attributes.antialias = EM_FALSE;
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.preserveDrawingBuffer = g_state.scripted;  // the test reads the last frame
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle =
        emscripten_webgl_create_context("#canvas", &attributes);
    if (handle <= 0)
        return 0;
    g_state.context.handle = handle;
    return 1;
}

bool DescribePixelFormat(Window*, int index, PixelFormat* granted)
{
    if (index != 1 || !granted || g_state.context.handle <= 0)
        return false;
    emscripten_webgl_make_context_current(g_state.context.handle);
    const int bits = corvane_context_bits();
    granted->flags = kDrawToWindow | kSupportOpenGL | kDoubleBuffer;
    granted->colorBits = bits & 0xFF;
    granted->depthBits = 24;
    granted->stencilBits = bits >> 8;
    return true;
}

bool SetPixelFormat(Window*, int index, const PixelFormat&)
{
    if (index == 1 && g_state.context.handle > 0)
        return true;
    RecordLastError(kErrorNoWebGl2);
    return false;
}

GLContext* CreateGLContext(Window*)
{
    if (g_state.context.handle <= 0)
        return nullptr;
    emscripten_webgl_make_context_current(g_state.context.handle);
    return gl11::Load(LoadProc) ? &g_state.context : nullptr;
}

bool MakeCurrent(Window*, GLContext* context)
{
    return context &&
           emscripten_webgl_make_context_current(context->handle) == EMSCRIPTEN_RESULT_SUCCESS;
}

// ---- Message boxes and the end ----

int ShowMessageBox(const MessageBoxRequest& request)
{
    ReleaseAllKeys();  // the box takes the keyboard: nothing stays held behind it
    const int yes = corvane_message_box(request.text, request.caption, request.yesNo,
                                        int(request.icon));
    return request.yesNo ? (yes ? kAnswerYes : kAnswerNo) : kAnswerOk;
}

void ExitProcess(int exitCode)
{
    corvane_ended(exitCode & 0xFF);
    emscripten_force_exit(exitCode & 0xFF);
    std::abort();  // not reached: the runtime has ended
}

}  // namespace platform
