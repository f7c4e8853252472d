// The X display, opened before GLUT and FLTK open theirs. Without one, glutInit would print
// its own message and end the process; instead the program says in one line what is missing
// and what to do, and ends with the start-up failure code. A busy X server now and then
// refuses a connection (most often one made right after the same process closed another),
// and Xlib leaves no reliable reason in errno; so a failure is tried again, spaced out, for up
// to two seconds, unless the display is a local one whose server socket does not exist, which
// no retry can mend and is answered at once. The connection that succeeded is kept open for
// the life of the process instead of being closed just before GLUT connects.
#include <X11/Xlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/common/Internal.h"

namespace platform {
namespace {

constexpr int kAttempts = 40;  // 50 ms apart: two seconds for a busy server at most

// False only for a local display (":N" or "unix:N") whose server socket is missing.
bool ServerSocketMayExist(const char* name)
{
    const char* colon = std::strrchr(name, ':');
    if (!colon)
        return true;
    const std::string host(name, size_t(colon - name));
    if (!host.empty() && host != "unix")
        return true;  // over the network: only a connection attempt can tell
    std::string number(colon + 1);
    number = number.substr(0, number.find('.'));
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos)
        return true;
    return access(("/tmp/.X11-unix/X" + number).c_str(), F_OK) == 0;
}

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
    const bool mayRetry = ServerSocketMayExist(name);
    for (int attempt = 0; attempt < (mayRetry ? kAttempts : 1); ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        held = XOpenDisplay(nullptr);
        if (held)
            return;
    }
    std::fprintf(stderr,
                 "%s: cannot open the X display \"%s\": no X server answers there, or it "
                 "refuses this user. Check DISPLAY and that the server runs and lets you in "
                 "(xauth, xhost).\n",
                 program, name);
    std::exit(-1);
}

}  // namespace platform
