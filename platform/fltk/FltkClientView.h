// The client area of a window: an Fl_Gl_Window whose drawing is the application's. FLTK's
// expose and resize handling is turned into kMessagePaint and kMessageSize; the
// application swaps buffers itself, so this view never swaps.
#pragma once

#include <FL/Fl_Gl_Window.H>

namespace platform {

struct Window;

class ClientView : public Fl_Gl_Window {
public:
    ClientView(int x, int y, int width, int height, Window* owner);

    void flush() override;
    void resize(int x, int y, int width, int height) override;

protected:
    void draw() override;

private:
    Window* owner;
};

}  // namespace platform
