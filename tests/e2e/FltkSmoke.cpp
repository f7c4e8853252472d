// fltk_smoke: a window on the FLTK backend with the program's menu bar and accelerator table,
// cleared to a changing colour every idle pass, printing each message it receives and each
// change of key state and focus, one line each; fltk-smoke.sh drives it with xdotool.
// Options: --boxes shows a Yes/No box and an OK box first; --send-close ID asks window ID
// to close, as a window manager's close box does.
#include <X11/Xlib.h>
#include <GL/gl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "app/Resources.h"
#include "platform/Platform.h"

namespace {

using platform::Key;

const char* const kKeyNames[] = {"None", "Escape", "Space", "Pause", "F1",   "F2",
                                 "F3",   "F4",     "F5",    "F6",    "F7",   "F8",
                                 "F9",   "F10",    "F11",   "F12",   "Left", "Right",
                                 "Up",   "Down",   "Home",  "End"};
static_assert(std::size(kKeyNames) == size_t(Key::kCount));

struct Smoke {
    platform::Window* window = nullptr;
    platform::GLContext* context = nullptr;
    bool paused = false;
    bool keyHeld[size_t(Key::kCount)] = {};
    bool focused = false;
    uint32_t focusChecked = 0;
    unsigned frames = 0;
    uint32_t rateStart = 0;
} g_smoke;

void UpdateMenu()
{
    platform::Menu* menu = platform::GetWindowMenu(g_smoke.window);
    platform::CheckMenuItem(menu, kCommandPause, g_smoke.paused);
    platform::EnableMenuItem(menu, kCommandSingleStep, g_smoke.paused);
    platform::EnableMenuItem(menu, kCommandShadow, false);  // greyed: F3 must send nothing
}

void SetUpPixelFormat(platform::Window* window)
{
    const platform::PixelFormat request{
        platform::kDrawToWindow | platform::kSupportOpenGL | platform::kDoubleBuffer, 32, 32,
        8};
    platform::PixelFormat granted{};
    const int index = platform::ChoosePixelFormat(window, request);
    platform::DescribePixelFormat(window, index, &granted);
    std::printf("format index=%d color=%d depth=%d stencil=%d double=%d\n", index,
                granted.colorBits, granted.depthBits, granted.stencilBits,
                (granted.flags & platform::kDoubleBuffer) ? 1 : 0);
    if (!platform::SetPixelFormat(window, index, granted)) {
        char* text = platform::SystemErrorText(platform::LastErrorCode());
        std::printf("SetPixelFormat failed: %s\n", text);
        platform::FreeSystemErrorText(text);
        platform::ExitProcess(2);
    }
    g_smoke.context = platform::CreateGLContext(window);
    if (!g_smoke.context) {
        std::printf("CreateGLContext failed\n");
        platform::ExitProcess(2);
    }
    platform::MakeCurrent(window, g_smoke.context);
}

void Draw(float phase)
{
    glClearColor(0.2f + 0.6f * phase, 0.3f, 0.8f - 0.6f * phase, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    platform::SwapBuffers(g_smoke.window);
}

intptr_t WindowProc(platform::Window* window, unsigned message, uintptr_t wParam,
                    intptr_t lParam)
{
    switch (message) {
    case platform::kMessageCreate:
        std::printf("create\n");
        SetUpPixelFormat(window);
        break;
    case platform::kMessageSize: {
        const int width = int(lParam & 0xFFFF), height = int((lParam >> 16) & 0xFFFF);
        glViewport(0, 0, width, height);
        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        // The viewport reads back only when a context is current.
        std::printf("size %dx%d viewport=%dx%d\n", width, height, viewport[2], viewport[3]);
        break;
    }
    case platform::kMessagePaint:
        std::printf("paint\n");
        Draw(0.5f);
        break;
    case platform::kMessageClose:
        std::printf("close\n");
        platform::PostQuitMessage(3);
        break;
    case platform::kMessageDestroy: {
        // Shutting down deletes display lists and textures, and may even draw, after the
        // window is gone: the context must still work, without X errors.
        const GLuint list = glGenLists(1);
        glDeleteLists(list, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glFinish();
        std::printf("destroy context=%s\n", list != 0 ? "current" : "none");
        break;
    }
    case platform::kMessageCommand:
        std::printf("command %u\n", unsigned(wParam & 0xFFFF));
        switch (wParam & 0xFFFF) {
        case kCommandAbout:
            platform::ShowMessageBox(window, "fltk smoke\n\nmail@example.org & friends",
                                     "About", platform::kIconInformation);
            break;
        case kCommandPause: g_smoke.paused = !g_smoke.paused; break;
        case kCommandExit: platform::PostQuitMessage(0); break;
        default: break;
        }
        UpdateMenu();
        break;
    default:
        break;
    }
    return platform::DefaultWindowProc(window, message, wParam, lParam);
}

void IdlePass()
{
    const uint32_t now = platform::TimeMs();
    for (size_t k = 1; k < size_t(Key::kCount); ++k) {
        const bool held = platform::IsKeyDown(Key(k));
        if (held != g_smoke.keyHeld[k])
            std::printf("held %s %s t=%u\n", kKeyNames[k], held ? "down" : "up", now);
        g_smoke.keyHeld[k] = held;
    }
    if (now - g_smoke.focusChecked >= 100) {  // each check asks the X server
        const bool focused = platform::GetFocusWindow() == g_smoke.window;
        if (focused != g_smoke.focused)
            std::printf("focus %s\n", focused ? "in" : "out");
        g_smoke.focused = focused;
        g_smoke.focusChecked = now;
    }

    Draw(float(now % 2000) / 2000.0f);
    ++g_smoke.frames;
    if (now - g_smoke.rateStart > 500) {
        char title[80];
        std::snprintf(title, sizeof title, "fltk smoke (%.1f fps)",
                      g_smoke.frames * 1000.0 / (now - g_smoke.rateStart));
        platform::SetWindowTitle(g_smoke.window, title);
        g_smoke.frames = 0;
        g_smoke.rateStart = now;
    }
}

// What a window manager sends when its close box is clicked.
int SendClose(const char* windowId)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = ::Window(std::strtoul(windowId, nullptr, 0));
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XCloseDisplay(display);
    return 0;
}

void ShowBoxes()
{
    const int answer = platform::ShowMessageBox(
        nullptr, "Run the smoke test anyway? \n(It may be very slow.)", "Warning",
        platform::kIconWarning | platform::kYesNo);
    std::printf("box answer %s\n", answer == platform::kAnswerYes  ? "yes"
                                   : answer == platform::kAnswerNo ? "no"
                                                                   : "other");
    const int ok = platform::ShowMessageBox(nullptr, "Failed to do something.\n\nNo details.",
                                            "Error", platform::kIconError);
    std::printf("box answer %s\n", ok == platform::kAnswerOk ? "ok" : "other");
}

}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc == 3 && std::strcmp(argv[1], "--send-close") == 0)
        return SendClose(argv[2]);
    platform::Startup(&argc, argv);
    if (argc == 2 && std::strcmp(argv[1], "--boxes") == 0)
        ShowBoxes();

    const platform::WindowClass windowClass{"fltk smoke", WindowProc, &kCorvaneModule,
                                            kMenuResource, kIconResource};
    if (!platform::RegisterWindowClass(windowClass))
        return 1;
    g_smoke.window = platform::CreateAppWindow("fltk smoke", "fltk smoke", 640 + 8, 480 + 46);
    if (!g_smoke.window)
        return 1;
    const platform::AcceleratorTable* accelerators =
        platform::LoadAcceleratorTable(&kCorvaneModule, kAcceleratorResource);
    platform::ShowAppWindow(g_smoke.window);
    std::printf("shown gl=%s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    UpdateMenu();
    platform::CheckMenuItem(platform::GetWindowMenu(g_smoke.window), kCommandRotate, true);

    g_smoke.rateStart = platform::TimeMs();
    for (;;) {
        platform::MessageRecord message;
        if (!platform::PeekAppMessage(&message)) {
            IdlePass();
            continue;
        }
        if (message.message == platform::kMessageQuit) {
            std::printf("quit %d\n", int(message.wParam));
            return int(message.wParam);
        }
        if (message.message == platform::kMessageKeyDown)
            std::printf("keydown %s\n",
                        kKeyNames[message.wParam < std::size(kKeyNames) ? message.wParam : 0]);
        if (platform::TranslateAppAccelerator(message.window, accelerators, message))
            continue;
        platform::DispatchAppMessage(message);
    }
}
