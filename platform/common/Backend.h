// Internal to platform/: the records every backend shares and what a backend defines.
//
// The backend is chosen at link time. Every program links exactly one backend library, so
// nothing is left to choose at run time: each backend defines the functions of Platform.h
// that are its toolkit's own directly, under their public names. A call then reads straight
// into the code that does it, each concept has one name, and a backend that lacks one of
// them does not link, the linker naming the function. common/ defines only what adds
// something over the toolkit: the records (title, menu item state, client size, live or
// destroyed), window creation and destruction, the class registry, message-box decoding and
// start-up with GLUT; for its toolkit's part of those it calls the functions declared under
// "What a backend defines". The message handling of the toolkits without their own (fltk,
// offscreen, web) is common/Emulated.cpp, linked by those backends only. The operating system's
// part comes from posix/ or win32/ (the end of this file).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace platform {

// ---- Error codes ----

// The platform's own codes have bit 29 set: Win32 leaves that bit to applications, and errno
// values never reach it. The backends number theirs from kBackendErrorBase.
inline constexpr unsigned kPlatformErrorBase = 0x20000000;
enum PlatformError : unsigned {
    kErrorUnknownClass = kPlatformErrorBase + 1,
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
    std::deque<MessageRecord> queue;               // the emulated message queue
    std::array<bool, size_t(Key::kCount)> keys{};  // held keys, emulated
};

// Never destroyed: backends may still post or look up windows while statics go away.
SharedState& Shared();

// The class registered under `name`, or null.
const RegisteredClass* FindWindowClass(const char* name);
// A handle that names a window of this program that has not been destroyed.
bool IsLiveWindow(const Window* window);
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
void SetKeyDown(Key key, bool down);
void ReleaseAllKeys();
bool AnyKeyHeld();

// A script's input by idle frame (the offscreen harness, the web page's scripted mode).
struct HeldRange {
    Key key;
    int from;  // first idle frame held
    int to;    // first idle frame released
};
struct ScheduledInput {
    int frame;
    bool isCommand;  // else a key press
    unsigned value;  // command id or Key
};
// Delivers the input of idle frame `frame`, about to begin: each scripted key is held when
// any of its ranges holds the frame, and the commands (of items not greyed) and key presses
// scheduled for it are queued to `window` while it lives.
void DeliverScriptedInput(Window* window, int frame, const std::vector<HeldRange>& holds,
                          const std::vector<ScheduledInput>& inputs);

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

// ---- What a backend defines ----
//
// Each backend defines, as plain functions:
// - the functions of Platform.h that are its toolkit's own: ShowAppWindow, PeekAppMessage,
//   ChoosePixelFormat, DescribePixelFormat, SetPixelFormat, CreateGLContext, MakeCurrent,
//   SwapBuffers, GetFocusWindow, TimeMs and ExitProcess; and, unless it links the emulated
//   message handling (common/Emulated.cpp), TranslateAppAccelerator, DispatchAppMessage,
//   DefaultWindowProc, PostQuitMessage, LoadText and IsKeyDown;
// - the toolkit's part of what common/ does, declared here.

// Start-up, before GLUT starts: whatever the toolkit needs first (its display). False when
// GLUT cannot start there (an X server without GLX): the window's pixel format then fails.
bool StartToolkit();
// Told of every class registered; false refuses it (after RecordLastError).
bool AcceptClass(const RegisteredClass& windowClass);
// The text of one of the backend's own error codes (from kBackendErrorBase up), or null.
const char* OwnErrorText(unsigned code);
// A new, empty record of the backend's own window type.
std::unique_ptr<Window> NewWindow();
// Makes the toolkit's window for a filled-in record (title, procedure, menu items) and
// sends kMessageCreate (SendCreate, unless the toolkit sends it itself). False on failure,
// with the window destroyed if it was made.
bool BuildWindow(Window& window, const RegisteredClass& windowClass, int outerWidth,
                 int outerHeight);
// The toolkit's part of DestroyWindow; the record is already marked destroyed.
void TearDownWindow(Window& window);
// Show the record's new title, or an item's new state, in the live window's toolkit.
void MirrorTitle(Window& window);
void MirrorMenuItem(Window& window, const MenuItemState& item);
// ShowMessageBox with its style decoded.
int ShowMessageBox(const MessageBoxRequest& request);

// A key IsKeyDown and the key state can name (not kNone, not past the last).
inline bool IsKnownKey(Key key) { return int(key) > 0 && int(key) < int(Key::kCount); }
// LoadText's argument check: false for no buffer; else the buffer is emptied first.
inline bool PrepareTextBuffer(char* buffer, int bufferSize)
{
    if (!buffer || bufferSize <= 0)
        return false;
    buffer[0] = '\0';
    return true;
}

// ---- The operating system's part (posix/ for Linux, win32/ for Windows) ----

// Sets the code LastErrorCode answers (the posix files keep it; on Win32 it is SetLastError).
void RecordLastError(unsigned code);
// Keeps the shared libraries loaded so far (the GL driver that glutInit loads among them)
// mapped until the process ends; Startup calls it right after glutInit.
void KeepLoadedLibrariesMapped();
// Opens the X display once and keeps it open; GLUT and the toolkit open their own later. When
// it cannot be opened, says on stderr in one line why and what to do, and ends the process
// with the start-up failure code. Returns whether the server offers OpenGL (GLX); with
// `glxRequired`, a server without it is refused in the same way.
bool RequireXDisplay(bool glxRequired);

}  // namespace platform
