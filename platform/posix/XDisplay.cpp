// The X display, opened before GLUT and FLTK open theirs. Without one, glutInit would print
// its own message and end the process; instead the program says in one line what is missing
// and what to do, and ends with the start-up failure code at once. An X server now and then
// refuses a connection made right after the same process closed another (EAGAIN, or a reset):
// only such transient refusals are tried again, spaced out, and the connection that succeeded
// is kept open for the life of the process instead of being closed just before GLUT connects.
#include <X11/Xlib.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/common/Internal.h"

namespace platform {
namespace {

constexpr int kAttempts = 40;  // 50 ms apart: two seconds for a busy server at most

bool IsTransient(int error) { return error == EAGAIN || error == ECONNRESET || error == EINTR; }

}  // namespace

void RequireXDisplay()
{
    static Display* held = nullptr;
    if (held)
        return;
    const char* name = std::getenv("DISPLAY");
    const char* program = Shared().programName.c_str();
    if (!name || !name[0]) {
        std::fprintf(stderr,
                     "%s: no X display: DISPLAY is not set. Run it in an X11 or XWayland "
                     "session, or set DISPLAY to a running X server (e.g. DISPLAY=:0).\n",
                     program);
        std::exit(-1);
    }
    int error = 0;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        errno = 0;
        held = XOpenDisplay(nullptr);
        error = errno;
        if (held)
            return;
        if (!IsTransient(error))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::fprintf(stderr,
                 "%s: cannot open the X display \"%s\"%s%s%s: no X server answers there, or it "
                 "refuses this user. Check DISPLAY and that the server runs and lets you in "
                 "(xauth, xhost).\n",
                 program, name, error ? " (" : "", error ? std::strerror(error) : "",
                 error ? ")" : "");
    std::exit(-1);
}

}  // namespace platform
