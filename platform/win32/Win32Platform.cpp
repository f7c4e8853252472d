// The Win32 backend: the platform interface over the Win32 API itself, so every behaviour is
// the system's own. The window records are common/'s; each keeps its HWND and device context,
// and a change of title or menu item is mirrored into the window and its HMENU. The menu,
// accelerators, title string and icon are the resources windres compiled into the program
// (app/Corvane.rc), found by the ids the module's tables carry. Messages reach the window
// procedure as the platform's kMessage* with Win32's own wParam and lParam.
//
// Supports: the system's message queue, modal menu loop (a lone Alt opens the menu bar),
// accelerators (a greyed item's sends no command), check marks, greying, message boxes, key
// state (GetKeyState) and clock (timeGetTime); pixel formats and contexts through WGL.
// Does not: draw idle frames while the user drags or sizes the window (the system's modal
// size loop holds the message loop), or while a menu or a message box is open.
#include "platform/common/Backend.h"
#include "platform/win32/Win32.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <utility>

namespace platform {
namespace {

struct Win32Window final : Window {
    HWND handle = nullptr;        // set when the window is created, before WM_CREATE
    HDC deviceContext = nullptr;  // obtained once and kept for the whole run
    bool handleGoing = false;     // the system is destroying the HWND (WM_DESTROY came)
};

Win32Window* Win32Of(Window* window) { return static_cast<Win32Window*>(window); }
HWND Handle(Window* window) { return window ? Win32Of(window)->handle : nullptr; }
HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

// The record of one of the program's windows, or null for any other handle.
Window* FromHandle(HWND handle)
{
    if (!handle)
        return nullptr;
    for (const auto& window : Shared().windows)
        if (Win32Of(window.get())->handle == handle)
            return window.get();
    return nullptr;
}

HDC DeviceContext(Window* window)
{
    if (!window)
        return nullptr;
    Win32Window* native = Win32Of(window);
    if (!native->deviceContext)
        native->deviceContext = GetDC(native->handle);
    return native->deviceContext;
}

// The Win32 messages the platform names, and their names there.
constexpr std::pair<UINT, unsigned> kMessages[] = {
    {WM_CREATE, kMessageCreate}, {WM_SIZE, kMessageSize},       {WM_PAINT, kMessagePaint},
    {WM_CLOSE, kMessageClose},   {WM_COMMAND, kMessageCommand}, {WM_DESTROY, kMessageDestroy},
    {WM_QUIT, kMessageQuit},
};

unsigned PlatformMessage(UINT message)
{
    for (const auto& [win32, ours] : kMessages)
        if (win32 == message)
            return ours;
    return kMessageNone;
}

UINT Win32Message(unsigned message)
{
    for (const auto& [win32, ours] : kMessages)
        if (ours == message)
            return win32;
    return WM_NULL;
}

int VirtualKey(Key key)
{
    if (key >= Key::kF1 && key <= Key::kF12)
        return VK_F1 + (int(key) - int(Key::kF1));
    switch (key) {
    case Key::kEscape: return VK_ESCAPE;
    case Key::kSpace: return VK_SPACE;
    case Key::kPause: return VK_PAUSE;
    case Key::kLeft: return VK_LEFT;
    case Key::kRight: return VK_RIGHT;
    case Key::kUp: return VK_UP;
    case Key::kDown: return VK_DOWN;
    case Key::kHome: return VK_HOME;
    case Key::kEnd: return VK_END;
    default: return 0;
    }
}

// The system's message a record carries (MessageRecord::native), when it carries one.
static_assert(sizeof(MSG) <= sizeof(MessageRecord::Native::bytes) &&
                  alignof(MSG) <= alignof(MessageRecord::Native),
              "a MessageRecord has room for the native message");

const MSG* NativeOf(const MessageRecord& record)
{
    return record.native.present ? reinterpret_cast<const MSG*>(record.native.bytes) : nullptr;
}

// The procedure of every class: passes the messages the platform names to the window's
// platform procedure while its record lives, the others to the default processing. Paint is
// bracketed by BeginPaint and EndPaint here, the client size goes through SendClientSize,
// and a destruction the system starts goes through DestroyWindow as the program's own does.
LRESULT CALLBACK WindowProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* window = static_cast<Win32Window*>(
            reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
        window->handle = handle;
        SetWindowLongPtrA(handle, GWLP_USERDATA, LONG_PTR(window));
    }
    auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(handle, GWLP_USERDATA));
    const unsigned platformMessage = PlatformMessage(message);
    if (!window || window->destroyed || platformMessage == kMessageNone)
        return DefWindowProcA(handle, message, wParam, lParam);
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(handle, &paint);
        window->windowProc(window, kMessagePaint, wParam, lParam);
        EndPaint(handle, &paint);
        return 0;
    }
    case WM_SIZE:
        SendClientSize(window, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_DESTROY:
        window->handleGoing = true;  // DestroyWindow must not destroy it a second time
        DestroyWindow(window);
        return 0;
    default:
        return window->windowProc(window, platformMessage, wParam, lParam);
    }
}

PIXELFORMATDESCRIPTOR Descriptor(const PixelFormat& format)
{
    PIXELFORMATDESCRIPTOR descriptor{};
    descriptor.nSize = sizeof descriptor;
    descriptor.nVersion = 1;
    descriptor.dwFlags = format.flags;  // the platform's flags are PFD_'s bits
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = BYTE(format.colorBits);
    descriptor.cDepthBits = BYTE(format.depthBits);
    descriptor.cStencilBits = BYTE(format.stencilBits);
    descriptor.iLayerType = PFD_MAIN_PLANE;
    return descriptor;
}

char* CopyToLocal(const char* text)
{
    const size_t size = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(LocalAlloc(LMEM_FIXED, size));
    if (copy)
        std::memcpy(copy, text, size);
    return copy;
}

}  // namespace

// ---- The backend's part of the platform ----

// Windows needs nothing before GLUT starts.
bool StartToolkit() { return true; }

bool AcceptClass(const RegisteredClass& windowClass)
{
    WNDCLASSEXA description{};
    description.cbSize = sizeof description;
    description.lpfnWndProc = WindowProcedure;
    description.hInstance = Instance();
    if (windowClass.iconResource != 0) {
        const char* icon = MAKEINTRESOURCEA(windowClass.iconResource);
        description.hIcon = LoadIconA(Instance(), icon);
        description.hIconSm = static_cast<HICON>(
            LoadImageA(Instance(), icon, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                       GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    }
    description.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    description.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    description.lpszMenuName =
        windowClass.menuResource != 0 ? MAKEINTRESOURCEA(windowClass.menuResource) : nullptr;
    description.lpszClassName = windowClass.name.c_str();
    // A class registered again (each run of the application in one process, each test) is
    // registered with the same menu and icon, and windows take their procedure from common/.
    return RegisterClassExA(&description) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The backend records no codes of its own: its failures are the system's.
const char* OwnErrorText(unsigned) { return nullptr; }

std::unique_ptr<Window> NewWindow() { return std::make_unique<Win32Window>(); }

// CreateWindowExA sends WM_CREATE itself, and fails when the procedure answers -1.
bool BuildWindow(Window& window, const RegisteredClass& windowClass, int outerWidth,
                 int outerHeight)
{
    // The procedure takes the record from the creation parameter, as a Win32Window.
    void* record = Win32Of(&window);
    return CreateWindowExA(0, windowClass.name.c_str(), window.title.c_str(),
                           WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, outerWidth,
                           outerHeight, nullptr, nullptr, Instance(), record) != nullptr;
}

void ShowAppWindow(Window* window)
{
    if (IsLiveWindow(window))
        ShowWindow(Handle(window), SW_SHOWNORMAL);
}

// For a DestroyWindow of the program's own: the HWND goes, unless its WM_DESTROY is what
// called DestroyWindow.
void TearDownWindow(Window& window)
{
    Win32Window* native = Win32Of(&window);
    if (!native->handleGoing)
        ::DestroyWindow(native->handle);
}

void MirrorTitle(Window& window) { SetWindowTextA(Handle(&window), window.title.c_str()); }

void MirrorMenuItem(Window& window, const MenuItemState& item)
{
    HMENU menu = GetMenu(Handle(&window));
    ::CheckMenuItem(menu, item.id, MF_BYCOMMAND | (item.checked ? MF_CHECKED : MF_UNCHECKED));
    ::EnableMenuItem(menu, item.id, MF_BYCOMMAND | (item.enabled ? MF_ENABLED : MF_GRAYED));
}

// The record carries the system's message, for translating and dispatching it.
bool PeekAppMessage(MessageRecord* message)
{
    MSG native;
    if (!PeekMessageA(&native, nullptr, 0, 0, PM_REMOVE))
        return false;
    *message = {FromHandle(native.hwnd), PlatformMessage(native.message), native.wParam,
                native.lParam};
    message->native.present = true;
    std::memcpy(message->native.bytes, &native, sizeof native);
    return true;
}

// The accelerator table is the compiled resource of the table's id.
bool TranslateAppAccelerator(Window* window, const AcceleratorTable* table,
                             const MessageRecord& message)
{
    const MSG* native = NativeOf(message);
    if (!window || !table || !native)
        return false;
    static std::map<unsigned, HACCEL> loaded;  // by resource id
    HACCEL& accelerators = loaded[table->resourceId];
    if (!accelerators)
        accelerators = LoadAcceleratorsA(Instance(), MAKEINTRESOURCEA(table->resourceId));
    if (!accelerators)
        return false;
    MSG keystroke = *native;
    return TranslateAcceleratorA(Handle(window), accelerators, &keystroke) != 0;
}

intptr_t DispatchAppMessage(const MessageRecord& message)
{
    if (const MSG* native = NativeOf(message)) {
        MSG dispatched = *native;
        TranslateMessage(&dispatched);
        return DispatchMessageA(&dispatched);
    }
    return SendMessageA(Handle(message.window), Win32Message(message.message), message.wParam,
                        message.lParam);
}

// Close destroys the window as DefWindowProcA does; its WM_DESTROY then takes the common path
// (DestroyWindow), kMessageDestroy arriving while the HWND still exists, as on Win32.
intptr_t DefaultWindowProc(Window* window, unsigned message, uintptr_t wParam, intptr_t lParam)
{
    if (message == kMessagePaint)
        return 0;  // painted between BeginPaint and EndPaint by the window procedure
    if (!IsLiveWindow(window))
        return 0;
    return DefWindowProcA(Handle(window), Win32Message(message), wParam, lParam);
}

void PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

int LoadText(const Module*, unsigned id, char* buffer, int bufferSize)
{
    if (!PrepareTextBuffer(buffer, bufferSize))
        return 0;
    return LoadStringA(Instance(), id, buffer, bufferSize);
}

int ChoosePixelFormat(Window* window, const PixelFormat& request)
{
    const PIXELFORMATDESCRIPTOR descriptor = Descriptor(request);
    return ::ChoosePixelFormat(DeviceContext(window), &descriptor);
}

bool DescribePixelFormat(Window* window, int index, PixelFormat* granted)
{
    PIXELFORMATDESCRIPTOR descriptor{};
    if (!::DescribePixelFormat(DeviceContext(window), index, sizeof descriptor, &descriptor))
        return false;
    granted->flags = descriptor.dwFlags & (kDrawToWindow | kSupportOpenGL | kDoubleBuffer);
    granted->colorBits = descriptor.cColorBits;
    granted->depthBits = descriptor.cDepthBits;
    granted->stencilBits = descriptor.cStencilBits;
    return true;
}

bool SetPixelFormat(Window* window, int index, const PixelFormat& format)
{
    const PIXELFORMATDESCRIPTOR descriptor = Descriptor(format);
    return ::SetPixelFormat(DeviceContext(window), index, &descriptor) != FALSE;
}

GLContext* CreateGLContext(Window* window)
{
    return reinterpret_cast<GLContext*>(wglCreateContext(DeviceContext(window)));
}

bool MakeCurrent(Window* window, GLContext* context)
{
    if (!context)
        return wglMakeCurrent(nullptr, nullptr) != FALSE;
    return wglMakeCurrent(DeviceContext(window), reinterpret_cast<HGLRC>(context)) != FALSE;
}

void SwapBuffers(Window* window) { ::SwapBuffers(DeviceContext(window)); }

// The styles are MB_'s bits.
int ShowMessageBox(const MessageBoxRequest& request)
{
    return MessageBoxA(Handle(request.owner), request.text, request.caption, request.style);
}

Window* GetFocusWindow() { return FromHandle(GetFocus()); }

bool IsKeyDown(Key key)
{
    const int virtualKey = IsKnownKey(key) ? VirtualKey(key) : 0;
    return virtualKey != 0 && (GetKeyState(virtualKey) & 0xFF00) != 0;
}

uint32_t TimeMs() { return timeGetTime(); }

void ExitProcess(int exitCode) { std::exit(exitCode); }

// Only on X does glutInit load a GL driver that GLUT unloads again at exit.
void KeepLoadedLibrariesMapped() {}

void RecordLastError(unsigned code) { SetLastError(code); }

unsigned LastErrorCode() { return GetLastError(); }

char* SystemErrorText(unsigned code)
{
    if (const char* own = PlatformErrorText(code))
        return CopyToLocal(own);
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<char*>(&text), 0, nullptr);
    if (length == 0 || !text)
        return CopyToLocal("");
    return text;
}

void FreeSystemErrorText(char* text) { LocalFree(text); }

// ---- Control for tests (Win32.h) ----

namespace win32 {

void SetKeyState(Key key, bool down)
{
    BYTE keys[256];
    const int virtualKey = VirtualKey(key);
    if (virtualKey == 0 || !GetKeyboardState(keys))
        return;
    keys[virtualKey] = down ? 0x80 : 0x00;
    SetKeyboardState(keys);
}

}  // namespace win32
}  // namespace platform
