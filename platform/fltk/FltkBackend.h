// Internal to the FLTK backend: its window (the toolkit's part of a window record), its GL
// client view and its state. Nothing outside this folder includes it.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Gl_Window.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <GL/glx.h>

#include "platform/common/Backend.h"

namespace platform {

// The backend's own error codes, recorded for LastErrorCode and described by OwnErrorText.
enum BackendError : unsigned {
    kErrorInvalidPixelFormat = kBackendErrorBase + 1,
    kErrorVisualUnusable,
    kErrorNoPixelFormat,
    kErrorContextCreation,
    kErrorMakeCurrent,
    kErrorNoGlx,
};

struct GLContext {
    GLXContext handle;
};

// The client area of a window: an Fl_Gl_Window whose drawing is the application's. Exposure
// becomes kMessagePaint and a change of size kMessageSize, both sent at once with the
// window's context current; the application swaps buffers itself, so this view never swaps.
class ClientView : public Fl_Gl_Window {
public:
    ClientView(int x, int y, int width, int height, Window* owner_)
        : Fl_Gl_Window(x, y, width, height), owner(owner_)
    {
    }

    // FLTK's own flush would make its context current, draw and swap.
    void flush() override { draw(); }
    void resize(int x, int y, int width, int height) override;

protected:
    void draw() override;

private:
    Window* owner;
};

struct FltkWindow final : Window {
    Fl_Window* frame = nullptr;     // the top-level window: menu bar above the client view
    ClientView* view = nullptr;     // the GL client area
    // The menu bar. FLTK draws and runs it from `menuItems`, a flat array with one terminator
    // per level; the array is the window's (the bar only points to it).
    std::deque<std::string> menuLabels;   // the texts the items point to; a deque keeps them put
    std::vector<Fl_Menu_Item> menuItems;  // never resized once the bar uses it
    Fl_Menu_Bar* menuBar = nullptr;       // made with the items; used only while the window lives
    int pixelFormat = 0;            // 0 until SetPixelFormat
    GLContext* context = nullptr;   // made current for this window; bound for Size and Paint
    bool shown = false;             // ShowAppWindow has run: size messages flow from now on

    Fl_Menu_Item* FindMenuItem(unsigned id);
};

inline FltkWindow* Fltk(Window* window) { return static_cast<FltkWindow*>(window); }

// One chosen pixel format: the GLX attribute list that found it and the visual it names.
// The same list is later handed to the GL window, so the window gets exactly this visual.
struct PixelFormatEntry {
    std::vector<int> attributes;  // GLX_RGBA, ..., None; FLTK keeps a pointer to it
    XVisualInfo* visual = nullptr;
};

// The backend's own state. Its part of the platform (common/Backend.h) is defined across the
// files of this folder: FltkPlatform.cpp (windows, messages, keys, focus, clock, start-up and
// exit), FltkMenu.cpp (menu items), FltkPixelFormat.cpp (pixel formats, contexts, swaps) and
// FltkMessageBox.cpp (message boxes).
struct FltkState {
    bool glx = false;  // the X server offers GLX: StartToolkit asked it
    std::vector<std::unique_ptr<PixelFormatEntry>> pixelFormats;  // index = position + 1
    std::vector<std::unique_ptr<GLContext>> contexts;
};

FltkState& State();

// Menu building (FltkMenu.cpp): fills the window's menu from the template, its bar on top.
void BuildMenu(FltkWindow* window, const MenuTemplate* menuTemplate, int width);
inline constexpr int kMenuBarHeight = 25;  // pixels; fits FLTK's default 14-pixel font

// GL binding (FltkPixelFormat.cpp).
// Makes the window's context current on its GL window, if both exist.
void BindWindowContext(FltkWindow* window);
// Before the window's X window goes away: keeps its context current on a hidden drawable,
// so GL calls made while shutting down (deleting lists and textures) still have a context.
void ParkWindowContext(FltkWindow* window);

}  // namespace platform
