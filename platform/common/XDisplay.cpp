// Waiting for the X display before GLUT (and FLTK) open it. An X server now and then refuses a
// connection, most often one made right after the same process closed another (EAGAIN, or a
// reset), and glutInit ends the process on the first refusal. So the display is tried a few
// times, spaced out, and the connection that succeeded is kept open for the life of the
// process instead of being closed just before GLUT connects.
#include <X11/Xlib.h>

#include <chrono>
#include <thread>

#include "platform/common/Internal.h"

namespace platform {

bool WaitForXDisplay(int attempts)
{
    static Display* held = nullptr;
    for (int attempt = 0; !held && attempt < attempts; ++attempt) {
        held = XOpenDisplay(nullptr);
        if (!held)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return held != nullptr;
}

}  // namespace platform
