// The platform layer: what the application shell, the camera and the texture readers need
// from the desktop, in the program's own terms. A window with a menu bar and accelerators,
// a pixel format and GL context, buffer swaps, modal message boxes, key state, a millisecond
// clock, system error texts, file reading and process exit. No toolkit type appears here.
// Four backends implement it and a program links exactly one: fltk (an X11 window, the demo
// on Linux), offscreen (an EGL pbuffer driven by a script, for tests and tools), win32 (the
// Win32 API itself) and web (a canvas and HTML in a browser, WebGL 2). Each function here is defined once: by the backend where it is the
// toolkit's own, else in platform/common/ (common/Backend.h says which).
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// ---- Resources: the program's menu, accelerator and string tables, by numeric id. ----

enum class Key : int {
    kNone,
    kEscape, kSpace, kPause,
    kF1, kF2, kF3, kF4, kF5, kF6, kF7, kF8, kF9, kF10, kF11, kF12,
    kLeft, kRight, kUp, kDown, kHome, kEnd,
    kCount
};

// One entry of a menu template, read in order like a resource script: a popup opens a
// level that the matching kEndPopup closes. Item texts use '&' for the mnemonic and
// '\t' before the shortcut text shown at the right.
struct MenuEntry {
    enum Kind { kItem, kSeparator, kPopup, kEndPopup } kind;
    const char* text;  // null for separators and kEndPopup
    unsigned id;       // command id of a kItem, 0 otherwise
};

struct MenuTemplate {
    unsigned resourceId;
    const MenuEntry* entries;
    size_t count;
};

// A virtual-key accelerator without modifiers: the key sends the command id.
struct Accelerator {
    Key key;
    unsigned id;
};

struct AcceleratorTable {
    unsigned resourceId;
    const Accelerator* entries;
    size_t count;
};

struct StringResource {
    unsigned id;
    const char* text;
};

// One picture of an icon, as PNG bytes.
struct IconImage {
    const unsigned char* png;
    size_t size;  // bytes
};

// An icon: the same picture at several sizes, the toolkit picks what it shows.
struct IconResource {
    unsigned id;
    const IconImage* images;
    size_t count;
};

// The program's module: the resources that window creation and the loaders look up by id.
struct Module {
    const StringResource* strings;
    size_t stringCount;
    const MenuTemplate* menus;
    size_t menuCount;
    const AcceleratorTable* acceleratorTables;
    size_t acceleratorTableCount;
    const IconResource* icons;
    size_t iconCount;
};

// Copies string resource `id` into buffer (truncated, always terminated); returns the
// number of characters copied, 0 when there is no such string.
int LoadText(const Module* module, unsigned id, char* buffer, int bufferSize);
// The accelerator table `id` of the module, or null.
const AcceleratorTable* LoadAcceleratorTable(const Module* module, unsigned id);

// ---- Windows and messages ----

struct Window;  // opaque
struct Menu;    // opaque: the menu bar of a window

enum Message : unsigned {
    kMessageNone = 0,
    kMessageCreate,   // during CreateAppWindow, before it returns and before the window shows
    kMessageSize,     // lParam: client width in the low 16 bits, height in the high 16 bits
    kMessagePaint,    // the client area needs redrawing; the GL context is current
    kMessageClose,    // the close box; default processing destroys the window
    kMessageCommand,  // wParam: command id in the low 16 bits
    kMessageKeyDown,  // wParam: the Key; accelerators are translated from these
    kMessageDestroy,  // the window is gone
    kMessageQuit,     // posted by PostQuitMessage; wParam: the exit code
};

using WindowProc = intptr_t (*)(Window* window, unsigned message, uintptr_t wParam,
                                intptr_t lParam);

struct WindowClass {
    const char* className;
    WindowProc windowProc;
    const Module* instance;
    unsigned menuResource;  // menu template id for windows of this class
    unsigned iconResource;  // icon id for windows of this class, 0 for none
};

struct MessageRecord {
    Window* window;
    unsigned message;
    uintptr_t wParam;
    intptr_t lParam;
    // The system's own message this one was taken from, for translating and dispatching it
    // (Win32's MSG); unused by the backends without a message queue of their own.
    struct Native {
        bool present;
        alignas(8) unsigned char bytes[48];
    } native{};
};

// Registers a window class; false when the class cannot be registered. Registering a name
// again replaces the class.
bool RegisterWindowClass(const WindowClass& windowClass);
// What Win32's frame, caption and one-line menu bar add to a client area, in pixels: an
// outer size is the client size plus this. A backend that cannot know the window manager's
// frame (fltk) takes it off again to size the client area.
inline constexpr int kFrameAllowanceWidth = 8;
inline constexpr int kFrameAllowanceHeight = 46;

// Creates the main window with the class's menu; the outer size includes frame, caption and
// menu bar. Sends kMessageCreate to the window procedure before returning. Null on failure.
Window* CreateAppWindow(const char* className, const char* title, int outerWidth,
                        int outerHeight);
// Shows the window; the real client size arrives as kMessageSize.
void ShowAppWindow(Window* window);
Menu* GetWindowMenu(Window* window);
void SetWindowTitle(Window* window, const char* text);
// The window's title as set last (for tests and tools).
const char* GetWindowTitle(Window* window);

void CheckMenuItem(Menu* menu, unsigned id, bool checked);
// A greyed item cannot be chosen and its accelerator sends no command.
void EnableMenuItem(Menu* menu, unsigned id, bool enabled);
bool IsMenuItemChecked(Menu* menu, unsigned id);
bool IsMenuItemEnabled(Menu* menu, unsigned id);

// Takes the next waiting message without blocking; false when none waits.
bool PeekAppMessage(MessageRecord* message);
// If the message is the keystroke of an accelerator whose menu item is not greyed, sends
// its command to the window procedure and returns true. Keystrokes of greyed items are
// swallowed (true, no command). Anything else: false.
bool TranslateAppAccelerator(Window* window, const AcceleratorTable* table,
                          const MessageRecord& message);
// Sends the message to its window's procedure.
intptr_t DispatchAppMessage(const MessageRecord& message);
// Default processing: kMessageClose destroys the window; everything else returns 0.
intptr_t DefaultWindowProc(Window* window, unsigned message, uintptr_t wParam, intptr_t lParam);
void PostQuitMessage(int exitCode);

// ---- Pixel format and GL context ----

enum PixelFormatFlags : uint32_t {
    kDrawToWindow = 0x04,
    kSupportOpenGL = 0x20,
    kDoubleBuffer = 0x01,
};

struct PixelFormat {
    uint32_t flags;
    int colorBits;    // 32 asks for 8-bit red, green, blue and alpha
    int depthBits;
    int stencilBits;
};

// Index (1-based) of the closest available format, 0 when none.
int ChoosePixelFormat(Window* window, const PixelFormat& request);
// Fills `granted` with format `index`; false for an unknown index.
bool DescribePixelFormat(Window* window, int index, PixelFormat* granted);
// Gives the window format `index`; false on failure (LastErrorCode says why).
bool SetPixelFormat(Window* window, int index, const PixelFormat& format);

struct GLContext;  // opaque
GLContext* CreateGLContext(Window* window);  // null on failure
bool MakeCurrent(Window* window, GLContext* context);
void SwapBuffers(Window* window);

// ---- Message boxes ----

enum MessageBoxStyle : unsigned {
    kOk = 0x00,
    kYesNo = 0x04,
    kIconError = 0x10,
    kIconQuestion = 0x20,
    kIconWarning = 0x30,
    kIconInformation = 0x40,
};

enum MessageBoxAnswer : int { kAnswerOk = 1, kAnswerYes = 6, kAnswerNo = 7 };

// Modal; returns the button chosen. A null owner makes a box of its own. It opens where the
// desktop puts such boxes: Win32 centres them on the screen; the fltk backend centres them
// over the program's main window, or the screen while there is none (never under the pointer).
int ShowMessageBox(Window* owner, const char* text, const char* caption, unsigned style);
// The window with the keyboard focus, or null.
Window* GetFocusWindow();

// ---- Input, time, errors, files, process ----

// True while the key is held, as of the last processed event. Auto-repeat never makes a
// held key read as released.
bool IsKeyDown(Key key);
// Milliseconds since an arbitrary start; wraps around at 2^32.
uint32_t TimeMs();

// The code of the last failure of a platform call, 0 when none was recorded.
unsigned LastErrorCode();
// The system's text for an error code; empty when the system has none, and then this call
// records a failure of its own (Win32's FormatMessageA does): take LastErrorCode first.
// Owned by the caller.
char* SystemErrorText(unsigned code);
void FreeSystemErrorText(char* text);

struct File;  // opaque
// Null when the name cannot be opened or is not a regular file (a directory, FIFO, device or
// socket); never waits for a writer or a device.
File* OpenFileForReading(const char* name);
bool SeekFile(File* file, uint64_t offsetFromStart);
// Reads up to `size` bytes; returns the number read (less at end of file or on error).
size_t ReadFile(File* file, void* buffer, size_t size);
uint64_t FileSize(File* file);
void CloseFile(File* file);

// Ends the process with the exit code (-1 shows as 255).
[[noreturn]] void ExitProcess(int exitCode);

// Once, before the application starts: opens the display and starts the toolkit and GLUT.
// Only argv[0] is read (the program's name, for start-up messages): the program has no
// options, and its arguments reach neither GLUT nor the toolkit. Without a display it says so
// on stderr in one line and ends the process with exit code -1. On an X server without OpenGL
// (GLX) the fltk backend's pixel format fails; the offscreen backend refuses as without one.
void Startup(int* argc, char** argv);

}  // namespace platform
