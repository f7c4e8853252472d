// The FLTK backend: the demo's window on the Linux desktop, an Fl_Window with the menu bar
// above a GL client view, over X11 and GLX. This file: windows, FLTK's events feeding the
// shared message queue, keystrokes and key state, focus, the clock, start-up and exit.
//
// Supports: menus from the template with mnemonics drawn, check marks and greying; plain-key
// accelerators (a key with a modifier held is left to FLTK); held keys that auto-repeat
// never releases, and keys released when the keyboard goes to another window; the class's
// icon at every size; pixel formats as GLX visuals, the closest when none matches; modal
// message boxes centred over the main window.
// Does not: open the menu bar on a lone Alt press, as Win32 does; send a 0x0 size (the client
// is never narrower than 1 pixel; only its height shrinks to 0 under the menu bar); know the
// window manager's frame (the outer size given loses the Win32 frame allowance instead).
#include <X11/XKBlib.h>

#include <FL/Fl_PNG_Image.H>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/fltk/FltkBackend.h"

namespace platform {
namespace {

Key KeyFromFltk(int fltkKey)
{
    if (fltkKey >= FL_F + 1 && fltkKey <= FL_F + 12)
        return Key(int(Key::kF1) + (fltkKey - (FL_F + 1)));
    switch (fltkKey) {
    case FL_Escape: return Key::kEscape;
    case ' ': return Key::kSpace;
    case FL_Pause: return Key::kPause;
    case FL_Left: return Key::kLeft;
    case FL_Right: return Key::kRight;
    case FL_Up: return Key::kUp;
    case FL_Down: return Key::kDown;
    case FL_Home: return Key::kHome;
    case FL_End: return Key::kEnd;
    default: return Key::kNone;
    }
}

Window* FindByFltkWindow(const Fl_Window* fltkWindow)
{
    if (!fltkWindow)
        return nullptr;
    const Fl_Window* top = fltkWindow->top_window();
    for (const auto& record : Shared().windows) {
        FltkWindow* window = Fltk(record.get());
        if (!window->destroyed && (window->frame == fltkWindow || window->frame == top))
            return window;
    }
    return nullptr;
}

// The window keystrokes go to now: the one with the X input focus or, when the focus
// follows the pointer (PointerRoot, as without a window manager), the one under the
// pointer. Null when they go to another program or to a dialog. Asks the X server.
Window* KeyboardWindow()
{
    ::Window focus = None;
    int revertTo = 0;
    XGetInputFocus(fl_display, &focus, &revertTo);
    for (const auto& record : Shared().windows) {
        FltkWindow* window = Fltk(record.get());
        if (window->destroyed || !window->frame->shown())
            continue;
        const ::Window frame = fl_xid(window->frame);
        if (focus == frame || focus == fl_xid(window->view))
            return window;
        if (focus != PointerRoot)
            continue;
        ::Window root = None, child = None;
        int rootX = 0, rootY = 0, x = -1, y = -1;
        unsigned buttons = 0;
        if (XQueryPointer(fl_display, frame, &root, &child, &rootX, &rootY, &x, &y, &buttons) &&
            x >= 0 && y >= 0 && x < window->frame->w() && y < window->frame->h())
            return window;
    }
    return nullptr;
}

// When the keyboard has gone to another window, the releases of held keys will not reach
// us: they count as released now. Asked only on focus and pointer departures, and only
// while a key is held.
void ReleaseKeysIfKeyboardLeft()
{
    if (AnyKeyHeld() && !KeyboardWindow())
        ReleaseAllKeys();
}

// Every FLTK event passes through here first. Keys of this backend's windows are taken
// before FLTK routes them: they become kMessageKeyDown for the accelerator table and the
// key state for IsKeyDown. FLTK would otherwise use them itself: Escape closes a window,
// arrows move the keyboard focus between widgets.
int DispatchEvent(int event, Fl_Window* fltkWindow)
{
    switch (event) {
    case FL_KEYUP: {
        // A key released anywhere is up, also while a menu or a message box has the
        // keyboard; otherwise it would read held until its next press.
        SetKeyDown(KeyFromFltk(Fl::event_key()), false);
        break;
    }
    case FL_KEYDOWN: {
        const Key key = KeyFromFltk(Fl::event_key());
        Window* window = FindByFltkWindow(fltkWindow);
        // An open menu (grab) or message box (modal) has the keyboard to itself.
        if (key == Key::kNone || !window || Fl::grab() || Fl::modal())
            break;
        SetKeyDown(key, true);
        // Accelerators are plain keys: with a modifier held the keystroke is no
        // accelerator, and FLTK handles it as it would.
        if (Fl::event_state() & (FL_SHIFT | FL_CTRL | FL_ALT | FL_META))
            break;
        QueueMessage(window, kMessageKeyDown, uintptr_t(key), 0);
        return 1;
    }
    case FL_UNFOCUS:
    case FL_LEAVE:
        ReleaseKeysIfKeyboardLeft();
        break;
    default:
        break;
    }
    return Fl::handle_(event, fltkWindow);
}

// The frame's callback runs for the close box (FL_CLOSE) and, in FLTK's default
// handling, for Escape; only the close box means "close".
void OnFrameCallback(Fl_Widget*, void* data)
{
    auto* window = static_cast<FltkWindow*>(data);
    if (Fl::event() == FL_CLOSE && IsLiveWindow(window))
        QueueMessage(window, kMessageClose, 0, 0);
}

// The class's icon, at every size the module has, for the window manager to choose from.
// The pictures are PNG bytes compiled into the program; the window keeps its own copies.
void SetWindowIcon(Fl_Window* frame, const Module* module, unsigned iconId)
{
    const IconResource* icon = FindIcon(module, iconId);
    if (!icon)
        return;
    std::vector<std::unique_ptr<Fl_PNG_Image>> pictures;
    std::vector<const Fl_RGB_Image*> usable;
    for (size_t i = 0; i < icon->count; ++i) {
        pictures.push_back(std::make_unique<Fl_PNG_Image>(
            nullptr, icon->images[i].png, int(icon->images[i].size)));
        if (pictures.back()->w() > 0 && pictures.back()->d() >= 3)
            usable.push_back(pictures.back().get());
    }
    if (!usable.empty())
        frame->icons(usable.data(), int(usable.size()));
}

// Sent at once to the window procedure, with the window's context current.
void SendPaint(FltkWindow* window)
{
    if (!IsLiveWindow(window))
        return;
    BindWindowContext(window);
    window->windowProc(window, kMessagePaint, 0, 0);
}

void SendSize(FltkWindow* window)
{
    if (!IsLiveWindow(window) || !window->shown)
        return;
    BindWindowContext(window);
    SendClientSize(window, window->view->w(), window->view->h());
}

}  // namespace

void ClientView::draw() { SendPaint(Fltk(owner)); }

void ClientView::resize(int x, int y, int width, int height)
{
    const bool sizeChanged = width != w() || height != h();
    Fl_Gl_Window::resize(x, y, width, height);
    if (sizeChanged)
        SendSize(Fltk(owner));
}

// Never destroyed: toolkit objects must not go with the static destructors.
FltkState& State()
{
    static FltkState* state = new FltkState;
    return *state;
}

// The connection to the X server lost (the server ended): FLTK's line, once, and the process
// ends at once with 1. Its exit handlers are left out: GLUT's closes its own connection to
// the same server, which would meet the loss and say it a second time.
static int ConnectionLost(Display*)
{
    std::fputs("X I/O error\n", stderr);
    std::_Exit(1);
}

// FLTK's display, opened once: every other function of the backend runs after this one.
bool StartToolkit()
{
    State().glx = RequireXDisplay(false);
    fl_open_display();
    XSetIOErrorHandler(ConnectionLost);  // in place of FLTK's, which exits through them
    // Without this, X reports a held key as a stream of release/press pairs, and the key
    // would read as released between them.
    // Where the server lacks it, FLTK's own check for a release directly followed by a
    // press of the same key at the same time catches most of them.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(fl_display, True, &supported);
    Fl::event_dispatch(DispatchEvent);
    Fl::scheme("gtk+");
    return State().glx;
}

// Every class is accepted: FLTK has no class registry of its own.
bool AcceptClass(const RegisteredClass&) { return true; }

const char* OwnErrorText(unsigned code)
{
    switch (code) {
    case kErrorInvalidPixelFormat:
        return "The pixel format index names no format chosen on this display.";
    case kErrorVisualUnusable:
        return "The X server offers no visual for a GL window with this pixel format.";
    case kErrorNoPixelFormat: return "The window has no pixel format yet.";
    case kErrorContextCreation:
        return "GLX could not create a rendering context for the window's visual.";
    case kErrorMakeCurrent: return "GLX could not make the rendering context current.";
    case kErrorNoGlx: return "The X server offers no OpenGL (GLX).";
    default: return nullptr;
    }
}

std::unique_ptr<Window> NewWindow() { return std::make_unique<FltkWindow>(); }

bool BuildWindow(Window& record, const RegisteredClass& windowClass,
                 int outerWidth, int outerHeight)
{
    FltkWindow* window = Fltk(&record);
    const MenuTemplate* menuTemplate =
        FindMenuTemplate(windowClass.instance, windowClass.menuResource);
    // What remains of the outer size without the Win32 frame is the client area.
    const int clientWidth = std::max(1, outerWidth - kFrameAllowanceWidth);
    const int clientHeight = std::max(1, outerHeight - kFrameAllowanceHeight);
    const int barHeight = menuTemplate ? kMenuBarHeight : 0;

    auto* frame = new Fl_Window(clientWidth, barHeight + clientHeight);
    frame->copy_label(window->title.c_str());
    frame->xclass(windowClass.name.c_str());
    frame->callback(OnFrameCallback, window);
    SetWindowIcon(frame, windowClass.instance, windowClass.iconResource);
    if (menuTemplate)
        BuildMenu(window, menuTemplate, clientWidth);
    auto* view = new ClientView(0, barHeight, clientWidth, clientHeight, window);
    view->end();
    frame->resizable(view);
    frame->end();
    window->frame = frame;
    window->view = view;

    // The handler chooses the pixel format and creates the context now, before the window
    // is shown: FLTK creates the X window with the visual of that format.
    if (SendCreate(window))
        return true;
    DestroyWindow(window);
    return false;
}

void ShowAppWindow(Window* record)
{
    FltkWindow* window = Fltk(record);
    if (!IsLiveWindow(window) || window->shown)
        return;
    window->frame->show();
    window->shown = true;
    // The X window exists from here on: the context made current during creation is
    // bound now, before the application's first GL call, and the first size follows.
    BindWindowContext(window);
    SendSize(window);
}

void TearDownWindow(Window& record)
{
    FltkWindow* window = Fltk(&record);
    ParkWindowContext(window);
    Fl_Window* frame = window->frame;
    window->frame = nullptr;
    window->view = nullptr;
    // Deferred deletion: this may run inside one of the frame's own callbacks.
    frame->hide();
    Fl::delete_widget(frame);
}

void MirrorTitle(Window& window)
{
    Fltk(&window)->frame->copy_label(window.title.c_str());
}

bool PeekAppMessage(MessageRecord* message)
{
    // Pending events are handled only when the queue is empty: FLTK's callbacks add to it,
    // and size and paint are sent to the window procedure from inside Fl::check.
    if (Shared().queue.empty())
        Fl::check();
    return TakeQueuedMessage(message);
}

Window* GetFocusWindow()
{
    return KeyboardWindow();
}

// CLOCK_MONOTONIC; wraps every 49.7 days, as the interface says.
uint32_t TimeMs()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void ExitProcess(int exitCode) { std::exit(exitCode); }

}  // namespace platform
