// The Win32 backend: the platform interface over the Win32 API itself, so every behaviour is
// the system's own (the message queue, the modal menu loop, accelerators, check marks and
// greying, message boxes, key state). Handles are Win32's: a Window is the HWND, a Menu the
// HMENU, a GLContext the HGLRC. The menu, accelerators, title string and icon are the
// resources windres compiled into the program (app/Corvane.rc), found by the ids the module's
// tables carry. Messages reach the window procedure as the platform's kMessage* with Win32's
// own wParam and lParam.
#include "platform/common/Internal.h"
#include "platform/win32/Win32.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace platform {
namespace {

// What the window procedure needs per window: the platform procedure, and the device context,
// obtained once and kept for the whole run.
struct WindowData {
    WindowProc windowProc = nullptr;
    HDC deviceContext = nullptr;
};

struct Win32State {
    std::vector<std::unique_ptr<WindowData>> windows;  // kept: a handle may outlive its window
    MSG last{};  // the message PeekAppMessage took last, for translating and dispatching it
    std::vector<std::pair<unsigned, HACCEL>> accelerators;  // loaded tables by resource id
};

Win32State& State()
{
    static Win32State* state = new Win32State;
    return *state;
}

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }
HWND Handle(Window* window) { return reinterpret_cast<HWND>(window); }
Window* FromHandle(HWND handle) { return reinterpret_cast<Window*>(handle); }

WindowData* DataOf(HWND handle)
{
    return handle ? reinterpret_cast<WindowData*>(GetWindowLongPtrA(handle, GWLP_USERDATA))
                  : nullptr;
}

HDC DeviceContext(Window* window)
{
    WindowData* data = DataOf(Handle(window));
    if (!data)
        return nullptr;
    if (!data->deviceContext)
        data->deviceContext = GetDC(Handle(window));
    return data->deviceContext;
}

unsigned PlatformMessage(UINT message)
{
    switch (message) {
    case WM_CREATE: return kMessageCreate;
    case WM_SIZE: return kMessageSize;
    case WM_PAINT: return kMessagePaint;
    case WM_CLOSE: return kMessageClose;
    case WM_COMMAND: return kMessageCommand;
    case WM_DESTROY: return kMessageDestroy;
    case WM_QUIT: return kMessageQuit;
    default: return kMessageNone;
    }
}

UINT Win32Message(unsigned message)
{
    switch (message) {
    case kMessageCreate: return WM_CREATE;
    case kMessageSize: return WM_SIZE;
    case kMessagePaint: return WM_PAINT;
    case kMessageClose: return WM_CLOSE;
    case kMessageCommand: return WM_COMMAND;
    case kMessageDestroy: return WM_DESTROY;
    case kMessageQuit: return WM_QUIT;
    default: return WM_NULL;
    }
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

// The procedure of every class: passes the messages the platform names to the window's
// platform procedure, the others to the default processing. Paint is bracketed by
// BeginPaint and EndPaint here.
LRESULT CALLBACK WindowProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(handle, GWLP_USERDATA, LONG_PTR(create->lpCreateParams));
    }
    WindowData* data = DataOf(handle);
    const unsigned platformMessage = PlatformMessage(message);
    if (!data || !data->windowProc || platformMessage == kMessageNone)
        return DefWindowProcA(handle, message, wParam, lParam);
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        BeginPaint(handle, &paint);
        data->windowProc(FromHandle(handle), kMessagePaint, wParam, lParam);
        EndPaint(handle, &paint);
        return 0;
    }
    return data->windowProc(FromHandle(handle), platformMessage, wParam, lParam);
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

bool IsLastMessage(const MessageRecord& record)
{
    const MSG& last = State().last;
    return Handle(record.window) == last.hwnd && record.wParam == last.wParam &&
           record.lParam == last.lParam && record.message == PlatformMessage(last.message);
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

// ---- Entry points for common/ ----

void BackendStartup() {}

// Only on X does glutInit load a GL driver that GLUT unloads again at exit.
void KeepLoadedLibrariesMapped() {}

bool BackendRegisterClass(const RegisteredClass& windowClass)
{
    WNDCLASSEXA description{};
    description.cbSize = sizeof description;
    description.lpfnWndProc = WindowProcedure;
    description.hInstance = Instance();
    if (windowClass.iconResource != 0) {
        description.hIcon = LoadIconA(Instance(), MAKEINTRESOURCEA(windowClass.iconResource));
        description.hIconSm = static_cast<HICON>(LoadImageA(
            Instance(), MAKEINTRESOURCEA(windowClass.iconResource), IMAGE_ICON,
            GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    }
    description.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    description.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    description.lpszMenuName =
        windowClass.menuResource != 0 ? MAKEINTRESOURCEA(windowClass.menuResource) : nullptr;
    description.lpszClassName = windowClass.name.c_str();
    if (RegisterClassExA(&description))
        return true;
    if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;
    // Registered before: replaced, unless windows of it still exist; they keep the old menu,
    // and new windows take the new procedure from the registry either way.
    if (UnregisterClassA(windowClass.name.c_str(), Instance()))
        return RegisterClassExA(&description) != 0;
    return true;
}

const char* BackendErrorText(unsigned) { return nullptr; }

void RecordLastError(unsigned code) { SetLastError(code); }

// ---- Resources ----

int LoadText(const Module*, unsigned id, char* buffer, int bufferSize)
{
    if (!buffer || bufferSize <= 0)
        return 0;
    buffer[0] = '\0';
    return LoadStringA(Instance(), id, buffer, bufferSize);
}

// ---- Windows and messages ----

Window* CreateAppWindow(const char* className, const char* title, int outerWidth,
                        int outerHeight)
{
    const RegisteredClass* windowClass = FindWindowClass(className);
    if (!windowClass) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    Win32State& state = State();
    state.windows.push_back(std::make_unique<WindowData>());
    WindowData* data = state.windows.back().get();
    data->windowProc = windowClass->windowProc;
    HWND handle = CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, outerWidth, outerHeight, nullptr, nullptr,
                                  Instance(), data);
    return FromHandle(handle);
}

void ShowAppWindow(Window* window) { ShowWindow(Handle(window), SW_SHOWNORMAL); }

Menu* GetWindowMenu(Window* window) { return reinterpret_cast<Menu*>(GetMenu(Handle(window))); }

void SetWindowTitle(Window* window, const char* text) { SetWindowTextA(Handle(window), text); }

const char* GetWindowTitle(Window* window)
{
    static char title[256];
    title[0] = '\0';
    GetWindowTextA(Handle(window), title, int(sizeof title));
    return title;
}

void CheckMenuItem(Menu* menu, unsigned id, bool checked)
{
    ::CheckMenuItem(reinterpret_cast<HMENU>(menu), id,
                    MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void EnableMenuItem(Menu* menu, unsigned id, bool enabled)
{
    ::EnableMenuItem(reinterpret_cast<HMENU>(menu), id,
                     MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

bool IsMenuItemChecked(Menu* menu, unsigned id)
{
    const UINT state = GetMenuState(reinterpret_cast<HMENU>(menu), id, MF_BYCOMMAND);
    return state != UINT(-1) && (state & MF_CHECKED);
}

bool IsMenuItemEnabled(Menu* menu, unsigned id)
{
    const UINT state = GetMenuState(reinterpret_cast<HMENU>(menu), id, MF_BYCOMMAND);
    return state == UINT(-1) || !(state & (MF_GRAYED | MF_DISABLED));
}

bool PeekAppMessage(MessageRecord* message)
{
    MSG& last = State().last;
    if (!PeekMessageA(&last, nullptr, 0, 0, PM_REMOVE))
        return false;
    *message = {FromHandle(last.hwnd), PlatformMessage(last.message), last.wParam, last.lParam};
    return true;
}

// The accelerator table is the compiled resource of the table's id; Win32 sends no command
// for the accelerator of a greyed menu item.
bool TranslateAppAccelerator(Window* window, const AcceleratorTable* table,
                          const MessageRecord& message)
{
    if (!window || !table || !IsLastMessage(message))
        return false;
    Win32State& state = State();
    HACCEL accelerators = nullptr;
    for (const auto& [id, loaded] : state.accelerators)
        if (id == table->resourceId)
            accelerators = loaded;
    if (!accelerators) {
        accelerators = LoadAcceleratorsA(Instance(), MAKEINTRESOURCEA(table->resourceId));
        if (!accelerators)
            return false;
        state.accelerators.emplace_back(table->resourceId, accelerators);
    }
    return TranslateAcceleratorA(Handle(window), accelerators, &state.last) != 0;
}

intptr_t DispatchAppMessage(const MessageRecord& message)
{
    if (IsLastMessage(message)) {
        TranslateMessage(&State().last);
        return DispatchMessageA(&State().last);
    }
    return SendMessageA(Handle(message.window), Win32Message(message.message), message.wParam,
                        message.lParam);
}

intptr_t DefaultWindowProc(Window* window, unsigned message, uintptr_t wParam, intptr_t lParam)
{
    if (message == kMessagePaint)
        return 0;  // painted between BeginPaint and EndPaint by the window procedure
    return DefWindowProcA(Handle(window), Win32Message(message), wParam, lParam);
}

void PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

// ---- Pixel format and GL context ----

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

// ---- Message boxes, input, time, errors, process ----

int ShowMessageBox(Window* owner, const char* text, const char* caption, unsigned style)
{
    return MessageBoxA(Handle(owner), text, caption, style);  // the styles are MB_'s bits
}

Window* GetFocusWindow() { return FromHandle(GetFocus()); }

bool IsKeyDown(Key key)
{
    const int virtualKey = VirtualKey(key);
    return virtualKey != 0 && (GetKeyState(virtualKey) & 0xFF00) != 0;
}

uint32_t TimeMs() { return timeGetTime(); }

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

void ExitProcess(int exitCode) { std::exit(exitCode); }

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
