// Internal to platform/: the records every backend shares and the contract a backend fulfils.
// common/ defines every function of Platform.h once, over one record per window (title, menu
// item state, client size, live or destroyed), one key-state array and one message queue; it
// calls the backend (the Backend hooks below) only for what its toolkit does itself. A backend
// derives from Backend (or EmulatedBackend, for a toolkit without its own message queue,
// accelerators, string resources or key state), overrides every hook, and names itself once
// with CORVANE_PLATFORM_BACKEND; a hook left out stops the build there, with the compiler
// naming it. The operating system's part comes from posix/ or win32/ (the end of this file).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/Platform.h"

namespace platform {

// ---- Error codes ----

// The platform's own codes have bit 29 set: Win32 leaves that bit to applications, and errno
// values never reach it. The backends number theirs from kBackendErrorBase.
inline constexpr unsigned kPlatformErrorBase = 0x20000000;
enum PlatformError : unsigned {
    kErrorInvalidClass = kPlatformErrorBase + 1,
    kErrorUnknownClass,
    kErrorInvalidWindow,
};
inline constexpr unsigned kBackendErrorBase = kPlatformErrorBase + 0x100;

// The text of a platform or backend code (from kPlatformErrorBase up), or null.
const char* PlatformErrorText(unsigned code);

// ---- The records ----

struct RegisteredClass {
    std::string name;
    WindowProc windowProc;
    const Module* instance;
    unsigned menuResource;
    unsigned iconResource;
};

struct MenuItemState {
    unsigned id;
    bool checked = false;
    bool enabled = true;
    bool checkable = false;  // CheckMenuItem has been called for it: it shows a check box
};

// A window's menu bar: the state of each item of the class's menu template, kept after the
// window is gone.
struct Menu {
    Window* window = nullptr;
    std::vector<MenuItemState> items;

    MenuItemState* Find(unsigned id);
};

// One window. A backend derives its own window from it, with its toolkit's handles.
struct Window {
    virtual ~Window() = default;

    WindowProc windowProc = nullptr;
    std::string title;
    bool hasMenu = false;
    Menu menu;
    int clientWidth = -1, clientHeight = -1;  // as last sent with kMessageSize
    bool destroyed = false;                   // the handle stays valid, the window does nothing
};

struct SharedState {
    bool startedUp = false;
    std::string programName;  // argv[0] without its folder, for start-up messages
    std::vector<RegisteredClass> classes;
    std::vector<std::unique_ptr<Window>> windows;  // kept: a handle outlives its window
    std::deque<MessageRecord> queue;               // for EmulatedBackend
    std::array<bool, size_t(Key::kCount)> keys{};  // held keys, for EmulatedBackend
};

// Never destroyed: backends may still post or look up windows while statics go away.
SharedState& Shared();

// The class registered under `name`, or null.
const RegisteredClass* FindWindowClass(const char* name);
// A handle that names a window of this program that has not been destroyed.
bool IsLiveWindow(const Window* window);
// Calls the window's procedure at once.
intptr_t Send(Window* window, unsigned message, uintptr_t wParam, intptr_t lParam);
// kMessageCreate, for a backend whose toolkit does not send it: false when the procedure
// refused the window (-1).
bool SendCreate(Window* window);
// kMessageSize with the client size (negative sizes count as 0), unless it was the last sent.
void SendClientSize(Window* window, int width, int height);
// Destroys a live window: the record is marked destroyed, the backend takes down the toolkit's
// window, the window's queued messages are dropped and kMessageDestroy is sent.
void DestroyWindow(Window* window);
// Frees every record but `keep` and empties the queue (the offscreen backend's reset).
void ForgetWindows(const Window* keep = nullptr);

// Resources (common/Resources.cpp): the module's menu template or icon `id`, or null.
const MenuTemplate* FindMenuTemplate(const Module* module, unsigned id);
const IconResource* FindIcon(const Module* module, unsigned id);

// The emulated message queue and key state.
void QueueMessage(Window* window, unsigned message, uintptr_t wParam, intptr_t lParam);
bool TakeQueuedMessage(MessageRecord* message);  // false when the queue is empty
void SetKeyHeld(Key key, bool held);
void ReleaseAllKeys();
bool AnyKeyHeld();

// What the buttons and icon bits of a message box style ask for, with the texts never null.
struct MessageBoxRequest {
    enum class Icon { kNone, kError, kQuestion, kWarning, kInformation };
    Window* owner;
    const char* text;
    const char* caption;
    unsigned style;  // as given, for a toolkit that takes it as it is
    bool yesNo;      // else a single OK button
    Icon icon;
};

// ---- The contract ----

class Backend {
public:
    virtual ~Backend() = default;

    // Start-up, before GLUT starts: whatever the toolkit needs first (its display).
    virtual void StartToolkit() = 0;
    // Told of every class registered; false refuses it (after RecordLastError).
    virtual bool AcceptClass(const RegisteredClass& windowClass) = 0;
    // The text of one of the backend's own error codes, or null.
    virtual const char* OwnErrorText(unsigned code) = 0;

    // A new, empty record of the backend's own window type.
    virtual std::unique_ptr<Window> NewWindow() = 0;
    // Makes the toolkit's window for a filled-in record (title, procedure, menu items) and
    // sends kMessageCreate (SendCreate, unless the toolkit sends it itself). False on failure,
    // with the window destroyed if it was made.
    virtual bool BuildWindow(Window& window, const RegisteredClass& windowClass,
                             int outerWidth, int outerHeight) = 0;
    // Shows the window; the client size follows with SendClientSize or the toolkit's own.
    virtual void RevealWindow(Window& window) = 0;
    // The toolkit's part of DestroyWindow; the record is already marked destroyed.
    virtual void TearDownWindow(Window& window) = 0;
    // Show the record's new title, or an item's new state, in the live window's toolkit.
    virtual void MirrorTitle(Window& window) = 0;
    virtual void MirrorMenuItem(Window& window, const MenuItemState& item) = 0;

    // Messages: as PeekAppMessage, TranslateAppAccelerator, DispatchAppMessage,
    // DefaultWindowProc, PostQuitMessage and LoadText say.
    virtual bool TakeMessage(MessageRecord* message) = 0;
    virtual bool TranslateKeystroke(Window* window, const AcceleratorTable& table,
                                    const MessageRecord& message) = 0;
    virtual intptr_t Deliver(const MessageRecord& message) = 0;
    virtual intptr_t DefaultProcessing(Window* window, unsigned message, uintptr_t wParam,
                                       intptr_t lParam) = 0;
    virtual void PostQuit(int exitCode) = 0;
    virtual int LoadModuleText(const Module* module, unsigned id, char* buffer,
                               int bufferSize) = 0;

    // Pixel format and GL context, as the functions of Platform.h named alike.
    virtual int ChooseFormat(Window* window, const PixelFormat& request) = 0;
    virtual bool DescribeFormat(Window* window, int index, PixelFormat* granted) = 0;
    virtual bool SetFormat(Window* window, int index, const PixelFormat& format) = 0;
    virtual GLContext* CreateContext(Window* window) = 0;
    virtual bool BindContext(Window* window, GLContext* context) = 0;
    virtual void Swap(Window* window) = 0;

    // Message boxes, focus, keys, the clock and the end of the process.
    virtual int ShowBox(const MessageBoxRequest& request) = 0;
    virtual Window* FocusWindow() = 0;
    virtual bool KeyHeld(Key key) = 0;
    virtual uint32_t Milliseconds() = 0;
    [[noreturn]] virtual void Exit(int exitCode) = 0;
};

// The message handling of a toolkit that has none to offer: the shared queue, accelerators
// translated through the menu's item state, close destroying the window, the module's string
// table and the key state the backend keeps current with SetKeyHeld.
class EmulatedBackend : public Backend {
public:
    bool TranslateKeystroke(Window* window, const AcceleratorTable& table,
                            const MessageRecord& message) override;
    intptr_t Deliver(const MessageRecord& message) override;
    intptr_t DefaultProcessing(Window* window, unsigned message, uintptr_t wParam,
                               intptr_t lParam) override;
    void PostQuit(int exitCode) override;
    int LoadModuleText(const Module* module, unsigned id, char* buffer, int bufferSize) override;
    bool KeyHeld(Key key) override;
};

// The backend this program links.
Backend& TheBackend();

// In the backend's main file, once: defines TheBackend as that backend, created on first use
// and never destroyed (toolkit objects must not go with the static destructors).
#define CORVANE_PLATFORM_BACKEND(Type)                                                        \
    static_assert(!std::is_abstract_v<Type>,                                                  \
                  #Type " must override every hook of platform::Backend; the compiler's "         \
                        "notes name the ones missing");                                       \
    Backend& TheBackend()                                                                     \
    {                                                                                         \
        static Type* backend = new Type;                                                      \
        return *backend;                                                                      \
    }

// ---- The operating system's part (posix/ for Linux, win32/ for Windows) ----

// Sets the code LastErrorCode answers (the posix files keep it; on Win32 it is SetLastError).
void RecordLastError(unsigned code);
// Keeps the shared libraries loaded so far (the GL driver that glutInit loads among them)
// mapped until the process ends; Startup calls it right after glutInit.
void KeepLoadedLibrariesMapped();
// Opens the X display and keeps the connection. When there is none, says on stderr in one
// line what is missing and what to do, and ends the process with the start-up failure code.
void RequireXDisplay();

}  // namespace platform
