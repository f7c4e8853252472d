// The signal handler that removes the temporary files and folders of a run cut short.
#include "tools/png/Cleanup.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>

namespace cleanup {
namespace {

constexpr int kMostStaged = 64;
constexpr size_t kNameSize = 256;  // NAME_MAX + 1

struct Registered {
    int folder = -1;
    char name[kNameSize] = {};
};

volatile sig_atomic_t g_armed = 0;  // the handler looks at nothing while this is clear
Registered g_temporary;             // folder: where the temporary file is
Registered g_staging;               // folder: the staging folder's parent
int g_stagingFolder = -1;
char g_staged[kMostStaged][kNameSize];
volatile sig_atomic_t g_stagedCount = 0;
Registered g_made;                  // folder: the grandparent of the staging folder

// The signals whose default action ends the process (SIGKILL cannot be caught).
constexpr int kFixedSignals[] = {SIGHUP,  SIGINT,  SIGQUIT,   SIGILL,    SIGTRAP, SIGABRT,
                                 SIGBUS,  SIGFPE,  SIGUSR1,   SIGSEGV,   SIGUSR2, SIGPIPE,
                                 SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU,   SIGXFSZ, SIGVTALRM,
                                 SIGPROF, SIGIO,   SIGPWR,    SIGSYS};
constexpr int kMostSignals = 65;
bool g_replaced[kMostSignals] = {};  // ours installed, in place of the default action

template <typename Visit>
void ForEachFatalSignal(Visit visit)
{
    for (const int number : kFixedSignals)
        visit(number);
    for (int number = SIGRTMIN; number <= SIGRTMAX && number < kMostSignals; ++number)
        visit(number);
}

void Copy(char* to, const char* from)
{
    std::strncpy(to, from, kNameSize - 1);
    to[kNameSize - 1] = '\0';
}

void RemoveRegistered()
{
    if (g_temporary.folder >= 0)
        unlinkat(g_temporary.folder, g_temporary.name, 0);
    if (g_staging.folder >= 0) {
        for (int i = 0; i < g_stagedCount; ++i)
            unlinkat(g_stagingFolder, g_staged[i], 0);
        unlinkat(g_staging.folder, g_staging.name, AT_REMOVEDIR);
    }
    if (g_made.folder >= 0)
        unlinkat(g_made.folder, g_made.name, AT_REMOVEDIR);  // only when empty
}

extern "C" void RemoveAndRaise(int signalNumber)
{
    // SA_RESETHAND has put the default action back and SA_NODEFER leaves the signal
    // unblocked, so raising it again ends the process as the signal would have.
    if (g_armed)
        RemoveRegistered();
    raise(signalNumber);
}

sigset_t FatalSignals()
{
    sigset_t set;
    sigemptyset(&set);
    ForEachFatalSignal([&](int number) { sigaddset(&set, number); });
    return set;
}

// Runs CHANGE with the fatal signals blocked, so the handler never sees the state half-set,
// then installs the handler where it is needed now, or takes it away where nothing is left.
template <typename Change>
void Update(Change change)
{
    const sigset_t fatal = FatalSignals();
    sigset_t old;
    sigprocmask(SIG_BLOCK, &fatal, &old);
    g_armed = 0;
    change();
    const bool wanted = g_temporary.folder >= 0 || g_staging.folder >= 0 || g_made.folder >= 0;
    struct sigaction ours;
    std::memset(&ours, 0, sizeof ours);
    ours.sa_handler = RemoveAndRaise;
    ours.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigemptyset(&ours.sa_mask);
    struct sigaction fallback;
    std::memset(&fallback, 0, sizeof fallback);
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ForEachFatalSignal([&](int number) {
        struct sigaction current;
        sigaction(number, nullptr, &current);
        if (wanted && !g_replaced[number] && current.sa_handler == SIG_DFL) {
            sigaction(number, &ours, nullptr);
            g_replaced[number] = true;
        } else if (!wanted && g_replaced[number]) {
            if (current.sa_handler == RemoveAndRaise)
                sigaction(number, &fallback, nullptr);
            g_replaced[number] = false;
        }
    });
    g_armed = wanted ? 1 : 0;
    sigprocmask(SIG_SETMASK, &old, nullptr);
}

}  // namespace

void SetTemporaryFile(int folder, const char* name)
{
    Update([&] {
        Copy(g_temporary.name, name);
        g_temporary.folder = folder;
    });
}

void ClearTemporaryFile()
{
    Update([] { g_temporary.folder = -1; });
}

void SetStagingFolder(int parent, const char* name, int folder)
{
    Update([&] {
        Copy(g_staging.name, name);
        g_staging.folder = parent;
        g_stagingFolder = folder;
        g_stagedCount = 0;
    });
}

void AddStagedFile(const char* name)
{
    Update([&] {
        for (int i = 0; i < g_stagedCount; ++i)
            if (std::strcmp(g_staged[i], name) == 0)
                return;
        if (g_stagedCount < kMostStaged)
            Copy(g_staged[g_stagedCount++], name);
    });
}

void SetMadeFolder(int grandparent, const char* name)
{
    Update([&] {
        Copy(g_made.name, name);
        g_made.folder = grandparent;
    });
}

void ClearStagingFolder()
{
    Update([] {
        g_staging.folder = -1;
        g_stagingFolder = -1;
        g_stagedCount = 0;
    });
}

void ClearMadeFolder()
{
    Update([] { g_made.folder = -1; });
}

FileSizeSignalIgnored::FileSizeSignalIgnored()
{
    struct sigaction current;
    sigaction(SIGXFSZ, nullptr, &current);
    if (current.sa_handler != SIG_DFL && current.sa_handler != RemoveAndRaise)
        return;  // the caller's own choice
    struct sigaction ignore;
    std::memset(&ignore, 0, sizeof ignore);
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, &saved);
    changed = true;
}

FileSizeSignalIgnored::~FileSizeSignalIgnored()
{
    if (changed)
        sigaction(SIGXFSZ, &saved, nullptr);
}

}  // namespace cleanup
