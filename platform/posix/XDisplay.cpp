// The X display, opened once with Xlib's XOpenDisplay before GLUT and the toolkit open theirs,
// as any X program opens it, and waited for however long the server takes (Ctrl-C ends a wait
// for one that never answers). Where glutInit would end the process with its own message (no
// display, or a server without OpenGL (GLX)), the program says in one line why and what to do,
// and ends with the start-up failure code. A refusing server's reason, which libxcb writes
// straight to stderr, becomes part of that line.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/common/Backend.h"

namespace platform {
namespace {

[[noreturn]] void Refuse(const std::string& why)
{
    std::fprintf(stderr, "%s: %s\n", Shared().programName.c_str(), why.c_str());
    std::exit(-1);
}

// XOpenDisplay with what is written to stderr meanwhile (a refusing server's reason) kept in
// *said, on one line. Without two descriptors to spare, stderr is left as it is.
Display* OpenDisplay(std::string* said)
{
    int channel[2];
    const int saved = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (saved < 0 || pipe2(channel, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (saved >= 0)
            close(saved);
        return XOpenDisplay(nullptr);
    }
    dup2(channel[1], STDERR_FILENO);
    close(channel[1]);
    errno = 0;
    Display* display = XOpenDisplay(nullptr);
    const int error = errno;
    dup2(saved, STDERR_FILENO);
    close(saved);
    char text[256];
    for (ssize_t n; (n = read(channel[0], text, sizeof text)) > 0;)
        said->append(text, size_t(n));
    close(channel[0]);
    std::replace_if(said->begin(), said->end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    said->erase(said->find_last_not_of(' ') + 1);
    errno = error;
    return display;
}

}  // namespace

bool RequireXDisplay(bool glxRequired)
{
    static Display* held = nullptr;  // open for the life of the process
    const char* name = std::getenv("DISPLAY");
    if (!name || !name[0])
        Refuse("no X display: DISPLAY is not set. Run it in an X11 or XWayland session, or "
               "set DISPLAY to a running X server (e.g. DISPLAY=:0).");
    const std::string display = std::string("\"") + name + "\"";
    std::string said;
    if (!(held = OpenDisplay(&said))) {
        if (!said.empty())
            Refuse("cannot open the X display " + display + ": the X server refused this user (" +
                   said + "). Check that you may use it: XAUTHORITY and xauth, or xhost.");
        const bool absent = errno == ECONNREFUSED || errno == ENOENT || errno == 0;
        Refuse("cannot open the X display " + display + ": " +
               (absent ? "no X server answers there" : std::strerror(errno)) +
               ". Check DISPLAY, and that the X server runs.");
    }
    int errorBase = 0, eventBase = 0;
    const bool glx = glXQueryExtension(held, &errorBase, &eventBase);
    if (!glx && glxRequired)
        Refuse("the X server at " + display + " offers no OpenGL (GLX), which GLUT needs to "
               "draw the shapes. Use a server with GLX (Xvfb and Xorg have it unless started "
               "with -extension GLX).");
    return glx;
}

}  // namespace platform
