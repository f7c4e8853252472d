// The GL client view: exposure becomes kMessagePaint and a change of size kMessageSize,
// both sent at once to the window procedure with the window's context current.
#include "platform/fltk/FltkClientView.h"

#include "platform/fltk/FltkBackend.h"

namespace platform {

ClientView::ClientView(int x, int y, int width, int height, Window* owner_)
    : Fl_Gl_Window(x, y, width, height), owner(owner_)
{
}

// FLTK's own flush would make its context current, draw and swap; the application's paint
// handler draws and swaps by itself.
void ClientView::flush() { draw(); }

void ClientView::draw() { SendPaint(owner); }

void ClientView::resize(int x, int y, int width, int height)
{
    const bool sizeChanged = width != w() || height != h();
    Fl_Gl_Window::resize(x, y, width, height);
    if (sizeChanged)
        SendSize(owner);
}

}  // namespace platform
