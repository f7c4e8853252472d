// Internal to the FLTK backend: the objects behind the opaque handles of Platform.h and
// the one Backend object that holds the backend's own state (windows, pixel formats, GL
// contexts, key state; the classes and the message queue are common/'s). Shared by the files
// of platform/fltk only; nothing outside this folder includes it.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <GL/glx.h>

#include "platform/Platform.h"
#include "platform/common/Internal.h"

namespace platform {

class ClientView;

// The backend's own error codes, recorded for LastErrorCode and described by
// BackendErrorText.
enum BackendError : unsigned {
    kErrorInvalidPixelFormat = kBackendErrorBase + 1,
    kErrorPixelFormatAlreadySet,
    kErrorVisualUnusable,
    kErrorNoPixelFormat,
    kErrorContextCreation,
    kErrorContextMismatch,
    kErrorMakeCurrent,
};

// A window's menu bar. FLTK draws and runs the menu from `items`, a flat array with one
// terminator per level; the array belongs to this object (the bar only points to it), so
// marks and greying stay readable after the window is gone.
struct Menu {
    std::deque<std::string> labels;   // the texts the items point to; a deque keeps them put
    std::vector<Fl_Menu_Item> items;  // never resized once the bar uses it
    Fl_Menu_Bar* bar = nullptr;       // null once the window is destroyed

    Fl_Menu_Item* Find(unsigned id);
};

struct GLContext {
    GLXContext handle;
    int pixelFormat;  // the format (and so the visual) it was created for
};

struct Window {
    WindowProc windowProc = nullptr;
    std::string title;
    Fl_Window* frame = nullptr;     // the top-level window: menu bar above the client view
    ClientView* view = nullptr;     // the GL client area
    Menu menu;
    int pixelFormat = 0;            // 0 until SetPixelFormat
    GLContext* context = nullptr;   // made current for this window; bound for Size and Paint
    bool shown = false;             // ShowAppWindow has run: size messages flow from now on
    bool destroyed = false;         // handles stay valid, but the window does nothing
    int sentWidth = -1, sentHeight = -1;  // the client size last sent with kMessageSize
};

// One chosen pixel format: the GLX attribute list that found it and the visual it names.
// The same list is later handed to the GL window, so the window gets exactly this visual.
struct PixelFormatEntry {
    std::vector<int> attributes;  // GLX_RGBA, ..., None; FLTK keeps a pointer to it
    XVisualInfo* visual = nullptr;
};

struct Backend {
    bool displayReady = false;
    bool menuLabelTypeRegistered = false;
    std::vector<std::unique_ptr<Window>> windows;  // never freed: handles outlive windows
    std::vector<std::unique_ptr<PixelFormatEntry>> pixelFormats;  // index = position + 1
    std::vector<std::unique_ptr<GLContext>> contexts;
    std::array<bool, size_t(Key::kCount)> keyDown{};
};

// The one backend object. Deliberately never destroyed: FLTK widgets must not be torn
// down by static destructors after the toolkit itself has gone.
Backend& State();

// Opens FLTK's display and installs the backend's event hook; cheap after the first call.
void EnsureDisplay();

// A window handle that names a live (not destroyed) window of this backend.
bool IsLiveWindow(const Window* window);
// Sent at once to the window procedure, with the window's context current.
void SendPaint(Window* window);
void SendSize(Window* window);

// Menu building (FltkMenu.cpp): fills `menu` from the template and creates its bar.
void BuildMenu(Window* window, const MenuTemplate* menuTemplate, int x, int y, int width,
               int height);
int MenuBarHeight();

// GL binding (FltkPixelFormat.cpp).
// Makes the window's context current on its GL window, if both exist.
void BindWindowContext(Window* window);
// Before the window's X window goes away: keeps its context current on a hidden drawable,
// so GL calls made while shutting down (deleting lists and textures) still have a context.
void ParkWindowContext(Window* window);
const PixelFormatEntry* FindPixelFormat(int index);

}  // namespace platform
