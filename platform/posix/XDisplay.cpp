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
// file must be a regular file, and the whole attempt runs under a deadline whose watchdog
// (SIGALRM) abandons the process with the same one-line message.
#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

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
constexpr int kDeadlineSeconds = 5;

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

// A missing file is fine (Xlib connects without a cookie); anything there but a regular file
// would make Xlib read or wait for ever.
bool AuthorityFileIsSafe(const std::string& path)
{
    struct stat status;
    return path.empty() || stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode);
}

[[noreturn]] void Refuse(const std::string& line)
{
    std::fputs(line.c_str(), stderr);
    std::exit(-1);
}

// Arms the watchdog on construction, disarms it and restores what was there on destruction.
class ConnectionDeadline {
public:
    explicit ConnectionDeadline(const std::string& line)
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
        deadline.it_value.tv_sec = kDeadlineSeconds;
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
    if (!AuthorityFileIsSafe(authority))
        Refuse(prefix + "its authority file " + authority +
               " is not a regular file. Point XAUTHORITY at the server's authority file "
               "(xauth), or unset it.\n");
    const std::string noServer =
        prefix + "no X server answers there, or it refuses this user. Check DISPLAY and that "
                 "the server runs and lets you in (xauth, xhost).\n";

    const bool mayRetry = ServerSocketMayExist(name);
    {
        const ConnectionDeadline deadline(noServer);
        const auto start = std::chrono::steady_clock::now();
        held = XOpenDisplay(nullptr);
        while (!held && mayRetry && std::chrono::steady_clock::now() - start < kRetryFor) {
            std::this_thread::sleep_for(kRetryPause);
            held = OpenDisplayQuietly();
        }
        if (held)
            return;
    }
    Refuse(noServer);
}

}  // namespace platform
