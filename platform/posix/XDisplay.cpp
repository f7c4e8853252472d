// The X display, opened once with Xlib's XOpenDisplay before GLUT and the toolkit open theirs,
// as any X program opens it, and waited for however long the server takes (Ctrl-C ends a wait
// for one that never answers). Where glutInit would end the process with its own message (no
// display, or a server without OpenGL (GLX)), the program says in one line why and what to do,
// and ends with the start-up failure code. A refusing server's reason, which libxcb writes
// straight to stderr, becomes part of that line; a connection lost meanwhile is one line too.
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

int g_savedStderr = -1, g_captured = -1;  // while captured: stderr, and the pipe in its place

// Puts stderr back; what Xlib and libxcb wrote to it meanwhile, on one line.
std::string EndCapture()
{
    std::string said;
    if (g_savedStderr < 0)
        return said;
    dup2(g_savedStderr, STDERR_FILENO);
    close(g_savedStderr);
    char text[256];
    for (ssize_t n; (n = read(g_captured, text, sizeof text)) > 0;)
        said.append(text, size_t(n));
    close(g_captured);
    g_savedStderr = g_captured = -1;
    std::replace_if(said.begin(), said.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    said.erase(said.find_last_not_of(' ') + 1);
    return said;
}

// Xlib ends the process when the connection is lost. Lost while the display is opened and
// queried (a server that closes it right after set-up), that is said in one line, with what
// was captured, and the process ends at once with 1, as for a connection lost later.
int LostAtStart(Display*)
{
    const std::string said = EndCapture();
    std::fprintf(stderr, "%s: cannot open the X display \"%s\": the X server closed the "
                 "connection%s\n", Shared().programName.c_str(), std::getenv("DISPLAY"),
                 said.empty() ? "" : (" (" + said + ")").c_str());
    std::_Exit(1);
}

// XOpenDisplay with stderr captured for EndCapture (left as it is without descriptors to spare).
Display* OpenDisplay()
{
    int channel[2];
    g_savedStderr = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);  // without a pipe, put back as is
    if (g_savedStderr >= 0 && pipe2(channel, O_CLOEXEC | O_NONBLOCK) == 0) {
        dup2(channel[1], STDERR_FILENO);
        close(channel[1]);
        g_captured = channel[0];
    }
    errno = 0;
    return XOpenDisplay(nullptr);
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
    const XIOErrorHandler lost = XSetIOErrorHandler(LostAtStart);
    held = OpenDisplay();
    const int error = errno;
    const std::string said = EndCapture();
    if (held && !said.empty())
        std::fprintf(stderr, "%s\n", said.c_str());  // a warning, passed on
    if (!held) {
        if (!said.empty())
            Refuse("cannot open the X display " + display + ": the X server refused this user (" +
                   said + "). Check that you may use it: XAUTHORITY and xauth, or xhost.");
        const bool absent = error == ECONNREFUSED || error == ENOENT || error == 0;
        Refuse("cannot open the X display " + display + ": " +
               (absent ? "no X server answers there" : std::strerror(error)) +
               ". Check DISPLAY, and that the X server runs.");
    }
    int errorBase = 0, eventBase = 0;
    const bool glx = glXQueryExtension(held, &errorBase, &eventBase);
    XSetIOErrorHandler(lost);
    if (!glx && glxRequired)
        Refuse("the X server at " + display + " offers no OpenGL (GLX), which GLUT needs to "
               "draw the shapes. Use a server with GLX (Xvfb and Xorg have it unless started "
               "with -extension GLX).");
    return glx;
}

}  // namespace platform
