// The X display, opened before GLUT and FLTK open theirs. Without one, glutInit would print
// its own message and end the process; instead the program says in one line what is missing
// and what to do, and ends with the start-up failure code. A busy X server now and then
// refuses a connection (most often one made right after the same process closed another),
// and Xlib leaves no reliable reason in errno; so a failure is tried again, spaced out, for
// two seconds (Xlib's own complaint shown once, not for every attempt), unless the display is
// a local one whose server socket does not exist, which no retry can mend and is answered at
// once. The connection that succeeded is kept open for
// the life of the process instead of being closed just before GLUT connects.
//
// Xlib itself can block for ever: it reads the authority file to its end (a device such as
// /dev/zero never ends) and opens it blocking (a FIFO waits for a writer), and it waits
// without limit for a server that accepts the connection but never answers. So the authority
// file must be a readable regular file of a reasonable size, and start-up runs under one
// deadline whose watchdog (SIGALRM) abandons the process with a one-line message. Start-up
// makes more connections than this one: GLUT's glutInit and FLTK open displays of their own,
// and a server (or a proxy that forwards only the first connection) may answer one and not
// the next. So XOpenDisplay itself is defined here, for the whole program, the libraries
// included: every connection runs under what is left of the same deadline, then calls Xlib's.
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/common/Backend.h"

namespace platform {
namespace {

// A refused attempt is tried again 50 ms later while less than two seconds have passed (a
// server may delay each refusal by up to a second); the deadline bounds everything.
constexpr auto kRetryFor = std::chrono::seconds(2);
constexpr auto kRetryPause = std::chrono::milliseconds(50);
constexpr auto kDeadline = std::chrono::seconds(5);
// Larger than any authority file xauth writes (a few hundred bytes an entry), far below one
// whose reading would outlast the deadline.
constexpr off_t kMostAuthorityBytes = 1 << 20;

// Start-up's deadline, from the first connection on; a connection begun after it passed has
// a deadline of its own. What the watchdog says: set by RequireXDisplay.
std::chrono::steady_clock::time_point g_startupEnds;
bool g_startupBegun = false;
std::string g_probeLine, g_laterLine;
bool g_probed = false;  // the first connection answered

// What the watchdog writes, and where: composed before it is armed, because a signal handler
// may only make async-signal-safe calls. The descriptor is a copy of stderr, which stays the
// real one while retries send fd 2 to /dev/null.
const char* g_deadlineText = nullptr;
size_t g_deadlineLength = 0;
int g_deadlineFd = STDERR_FILENO;

extern "C" void OnConnectionDeadline(int)
{
    // Xlib may be anywhere (inside malloc, holding its own state half-built), so nothing of it
    // is touched again: write the line and end, which is all a handler may soundly do here.
    const ssize_t written = write(g_deadlineFd, g_deadlineText, g_deadlineLength);
    (void)written;
    _exit(255);  // -1, as exit(-1) ends the other failures
}

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

// The authority file Xlib reads: XAUTHORITY when set (empty: none), else ~/.Xauthority.
std::string AuthorityFile()
{
    if (const char* named = std::getenv("XAUTHORITY"))
        return named;
    const char* home = std::getenv("HOME");
    return home && home[0] ? std::string(home) + "/.Xauthority" : std::string();
}

// Why Xlib could not read the authority file in time, or "": a missing file is fine (Xlib
// connects without a cookie); anything there but a regular file would make Xlib read or wait
// for ever, a huge one would outlast the deadline, and an unreadable one is no cookie at all.
std::string AuthorityFileProblem(const std::string& path)
{
    struct stat status;
    if (path.empty() || stat(path.c_str(), &status) != 0)
        return "";
    if (!S_ISREG(status.st_mode))
        return "is not a regular file";
    if (status.st_size > kMostAuthorityBytes)
        return "is " + std::to_string(status.st_size) + " bytes, too large for one";
    const int file = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0)
        return std::string("cannot be read (") + std::strerror(errno) + ")";
    close(file);
    return "";
}

[[noreturn]] void Refuse(const std::string& line)
{
    std::fputs(line.c_str(), stderr);
    std::exit(-1);
}

// Arms the watchdog on construction, disarms it and restores what was there on destruction.
class ConnectionDeadline {
public:
    ConnectionDeadline(const std::string& line, std::chrono::microseconds left)
    {
        g_deadlineText = line.c_str();
        g_deadlineLength = line.size();
        const int copy = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
        g_deadlineFd = copy >= 0 ? copy : STDERR_FILENO;
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = OnConnectionDeadline;
        sigemptyset(&action.sa_mask);
        sigaction(SIGALRM, &action, &oldAction);
        // A blocked SIGALRM (the mask survives exec) would never reach the handler.
        sigset_t alarm;
        sigemptyset(&alarm);
        sigaddset(&alarm, SIGALRM);
        sigprocmask(SIG_UNBLOCK, &alarm, &oldMask);
        itimerval deadline{};
        const long long micro = std::max<long long>(1, left.count());
        deadline.it_value.tv_sec = time_t(micro / 1000000);
        deadline.it_value.tv_usec = suseconds_t(micro % 1000000);
        setitimer(ITIMER_REAL, &deadline, &oldTimer);
    }
    ~ConnectionDeadline()
    {
        const itimerval off{};
        setitimer(ITIMER_REAL, &off, nullptr);
        sigaction(SIGALRM, &oldAction, nullptr);
        sigprocmask(SIG_SETMASK, &oldMask, nullptr);
        setitimer(ITIMER_REAL, &oldTimer, nullptr);
        if (g_deadlineFd != STDERR_FILENO)
            close(g_deadlineFd);
        g_deadlineFd = STDERR_FILENO;
    }
    ConnectionDeadline(const ConnectionDeadline&) = delete;
    ConnectionDeadline& operator=(const ConnectionDeadline&) = delete;

private:
    struct sigaction oldAction;
    sigset_t oldMask;
    itimerval oldTimer{};
};

// XOpenDisplay with Xlib's own complaint (a refused cookie, say) sent to /dev/null: a retry
// would otherwise repeat the line the first attempt printed.
Display* OpenDisplayQuietly()
{
    std::fflush(stderr);
    const int saved = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved < 0 || null < 0 || dup2(null, STDERR_FILENO) < 0) {
        if (null >= 0)
            close(null);
        if (saved >= 0)
            close(saved);
        return XOpenDisplay(nullptr);
    }
    close(null);
    Display* display = XOpenDisplay(nullptr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    return display;
}

}  // namespace

void RequireXDisplay()
{
    static Display* held = nullptr;
    if (held)
        return;
    const char* name = std::getenv("DISPLAY");
    const std::string program = Shared().programName;
    if (!name || !name[0])
        Refuse(program + ": no X display: DISPLAY is not set. Run it in an X11 or XWayland "
                         "session, or set DISPLAY to a running X server (e.g. DISPLAY=:0).\n");
    const std::string prefix = program + ": cannot open the X display \"" + name + "\": ";
    const std::string authority = AuthorityFile();
    const std::string problem = AuthorityFileProblem(authority);
    if (!problem.empty())
        Refuse(prefix + "its authority file " + authority + " " + problem +
               ". Point XAUTHORITY at the server's authority file (xauth), or unset it.\n");
    g_probeLine = prefix + "no X server answers there, or it refuses this user. Check DISPLAY "
                           "and that the server runs and lets you in (xauth, xhost).\n";
    g_laterLine = prefix + "the server answered the first connection but not a later one "
                           "within " + std::to_string(kDeadline.count()) +
                  " s of start-up. A proxy or tunnel may forward only one connection.\n";
    g_startupEnds = std::chrono::steady_clock::now() + kDeadline;
    g_startupBegun = true;

    const bool mayRetry = ServerSocketMayExist(name);
    const auto start = std::chrono::steady_clock::now();
    held = XOpenDisplay(nullptr);
    while (!held && mayRetry && std::chrono::steady_clock::now() - start < kRetryFor) {
        std::this_thread::sleep_for(kRetryPause);
        held = OpenDisplayQuietly();
    }
    if (!held)
        Refuse(g_probeLine);
    g_probed = true;
}

}  // namespace platform

// Every connection of the program, GLUT's and FLTK's included (the program's definition
// comes before Xlib's), under start-up's deadline; then Xlib's own XOpenDisplay.
extern "C" Display* XOpenDisplay(const char* name)
{
    using Open = Display* (*)(const char*);
    static const Open xlib = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "XOpenDisplay"));
    if (!xlib)
        return nullptr;
    using namespace std::chrono;
    const auto now = steady_clock::now();
    const bool withinStartup = platform::g_startupBegun && now < platform::g_startupEnds;
    const auto left = withinStartup ? duration_cast<microseconds>(platform::g_startupEnds - now)
                                    : duration_cast<microseconds>(platform::kDeadline);
    const std::string& line = platform::g_probed ? platform::g_laterLine : platform::g_probeLine;
    static const std::string kNoAnswer = "The X server gives no answer.\n";
    // The watchdog writes the text where it lies: it must outlive the deadline.
    const platform::ConnectionDeadline deadline(line.empty() ? kNoAnswer : line, left);
    return xlib(name);
}
