// Application start-up, message loop, frame timing, commands and shut-down.
#include "app/Application.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/Globals.h"
#include "app/Resources.h"
#include "math/Constants.h"
#include "scene/Scene.h"
#include "texture/Texture.h"

Application* g_application = nullptr;
int g_stencilBits = 0;
Texture* g_woodTexture = nullptr;
Texture* g_floorTexture = nullptr;
Texture* g_glassTexture = nullptr;

namespace {

constexpr const char kColorDepthQuestion[] =
    "This Demo is optimized for 32 bits colors. \n"
    "Do you want to run it in the current display mode anyway? \n"
    "(It may be very slow.)";

constexpr const char kAboutText[] =
    "Corvane 1.01\n"
    "\n"
    "A real-time OpenGL demonstration: two spot lights project a stained-glass\n"
    "picture onto a textured floor and a turning shape, and the shape's shadows\n"
    "are kept out of each light with the stencil buffer.\n"
    "\n"
    "Copyright (c) 2026 the Corvane developers.";

intptr_t WindowProcedure(platform::Window* window, unsigned message, uintptr_t wParam,
                         intptr_t lParam)
{
    return g_application->HandleMessage(window, message, wParam, lParam);
}

template <typename T>
void DeleteAndClear(T*& object)
{
    delete object;
    object = nullptr;
}

int Toggle(int flag) { return flag == 0 ? 1 : 0; }

// The scene's flags that commands switch, in the order of their check marks in the menu.
struct FlagCommand {
    unsigned command;
    int Scene::*flag;
};
constexpr FlagCommand kFlagCommands[] = {
    {kCommandRotate, &Scene::rotate},
    {kCommandLight1Enabled, &Scene::light1Enabled},
    {kCommandLight1Glass, &Scene::light1Glass},
    {kCommandLight1Move, &Scene::light1Moving},
    {kCommandLight2Enabled, &Scene::light2Enabled},
    {kCommandLight2Glass, &Scene::light2Glass},
    {kCommandLight2Move, &Scene::light2Moving},
    {kCommandShadow, &Scene::shadow},
};

}  // namespace

Application::Application(const platform::Module* instance_) : instance(instance_)
{
    g_application = this;
}

Application::~Application()
{
    if (g_application == this)
        g_application = nullptr;
}

bool Application::Initialize()
{
    if (!CreateMainWindow()) {
        ReportLastError("Failed to initialize Window.");
        return false;
    }
    InitRendering();
    UpdateMenu();
    return true;
}

bool Application::CreateMainWindow()
{
    platform::LoadText(instance, kTitleString, title, sizeof title);
    const platform::WindowClass windowClass{title, WindowProcedure, instance, kMenuResource,
                                            kIconResource};
    if (!platform::RegisterWindowClass(windowClass))
        return false;
    // Fixed allowances for frame, caption and menu bar; the real client size arrives with
    // the first size message.
    platform::Window* created =
        platform::CreateAppWindow(title, title, clientWidth + platform::kFrameAllowanceWidth,
                                  clientHeight + platform::kFrameAllowanceHeight);
    if (!created)
        return false;
    window = created;
    menu = platform::GetWindowMenu(window);
    accelerators = platform::LoadAcceleratorTable(instance, kAcceleratorResource);
    platform::ShowAppWindow(window);
    return true;
}

void Application::SetupPixelFormat(platform::Window* newWindow)
{
    const platform::PixelFormat request{
        platform::kDrawToWindow | platform::kSupportOpenGL | platform::kDoubleBuffer,
        32,  // colour bits
        32,  // depth bits
        8,   // stencil bits
    };
    platform::PixelFormat format = request;
    const int index = platform::ChoosePixelFormat(newWindow, request);
    platform::DescribePixelFormat(newWindow, index, &format);  // now the format granted

    if (format.colorBits != 32 &&
        platform::ShowMessageBox(newWindow, kColorDepthQuestion, "Warning",
                                 platform::kIconWarning | platform::kYesNo) ==
            platform::kAnswerNo)
        platform::ExitProcess(-1);

    g_stencilBits = std::clamp(format.stencilBits, 0, 255);

    if (!platform::SetPixelFormat(newWindow, index, format)) {
        ReportLastError("Failed to set pixel format.");
        platform::ExitProcess(-1);
    }
    renderingContext = platform::CreateGLContext(newWindow);
    if (!renderingContext) {
        ReportLastError("Failed to create OpenGL context.");
        platform::ExitProcess(-1);
    }
    platform::MakeCurrent(newWindow, renderingContext);
}

void Application::InitRendering()
{
    Resize(clientWidth, clientHeight);

    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, kBlack.Data());  // no global ambient light
    glEnable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHT1);
    glDisable(GL_LIGHT2);
    // LEQUAL lets every later pass redraw the base pass's geometry at equal depth.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glClearDepth(1.0);
    glDisable(GL_STENCIL_TEST);
    glClearStencil(0);
    glDisable(GL_BLEND);
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    glDisable(GL_TEXTURE_2D);

    // A file that cannot be read reports itself; the demo runs on without its picture.
    g_woodTexture = new Texture("wood.bmp", GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT);
    g_floorTexture = new Texture("floor.bmp", GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT);
    g_glassTexture = new Texture("stained.bmp", GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT);

    scene = new Scene();
    scene->Build();
}

void Application::Resize(int width, int height)
{
    clientWidth = width;
    clientHeight = height;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // A minimised window reports a zero size; a 1-pixel floor keeps the aspect finite and
    // positive, and the next real size sets it right.
    const double aspect = double(std::max(width, 1)) / double(std::max(height, 1));
    gluPerspective(30.0, aspect, 1.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void Application::Shutdown()
{
    DeleteAndClear(scene);  // deletes the display lists while the context is current
    DeleteAndClear(g_woodTexture);
    DeleteAndClear(g_floorTexture);
    DeleteAndClear(g_glassTexture);
}

void Application::ReportLastError(const char* message)
{
    // Taken once: asking for the text is a platform call too, and when the system has no
    // text it records a failure of its own (Win32's FormatMessageA does).
    const unsigned code = platform::LastErrorCode();
    char* systemText = platform::SystemErrorText(code);
    std::string text = message;
    text += "\n\n";
    if (systemText && systemText[0] != '\0') {
        text += systemText;
    } else {
        char fallback[96];
        std::snprintf(fallback, sizeof fallback,
                      "The system gave no further details (error code %u).", code);
        text += fallback;
    }
    platform::ShowMessageBox(nullptr, text.c_str(), "Error", platform::kIconError);
    platform::FreeSystemErrorText(systemText);
}

void Application::Run()
{
    for (;;) {
        platform::MessageRecord message;
        if (platform::PeekAppMessage(&message)) {
            if (message.message == platform::kMessageQuit)
                return;
            if (platform::TranslateAppAccelerator(message.window, accelerators, message))
                continue;
            platform::DispatchAppMessage(message);
        } else {
            IdleFrame();
        }
    }
}

intptr_t Application::HandleMessage(platform::Window* messageWindow, unsigned message,
                                    uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case platform::kMessageCreate:
        SetupPixelFormat(messageWindow);
        break;
    case platform::kMessageSize:
        Resize(int(uintptr_t(lParam) & 0xFFFF), int((uintptr_t(lParam) >> 16) & 0xFFFF));
        break;
    case platform::kMessagePaint:
        DrawFrame();
        break;
    case platform::kMessageClose:
        platform::PostQuitMessage(0);
        break;
    case platform::kMessageCommand:
        OnCommand(wParam);
        break;
    default:
        break;
    }
    return platform::DefaultWindowProc(messageWindow, message, wParam, lParam);
}

void Application::OnCommand(uintptr_t wParam)
{
    const unsigned id = unsigned(wParam & 0xFFFF);
    // A message box of start-up (a texture's error) runs its modal loop before the scene
    // exists, and on Win32 the main window stays enabled behind a box without owner, so its
    // menu can send commands then. Until the scene exists only those that leave it alone act.
    if (!scene && id != kCommandAbout && id != kCommandPause && id != kCommandExit) {
        UpdateMenu();
        return;
    }
    switch (id) {
    case kCommandAbout:
        platform::ShowMessageBox(window, kAboutText, "About This Demo",
                                 platform::kIconInformation);
        break;
    case kCommandPause:
        paused = !paused;
        break;
    case kCommandSingleStep:
        if (paused) {
            paused = false;
            Advance();
            paused = true;
        }
        break;
    case kCommandExit:
        platform::PostQuitMessage(0);
        break;
    case kCommandChangeShape:
        scene->ChangeShape();
        break;
    default:  // a flag's command toggles it; an unknown id only refreshes the menu
        for (const FlagCommand& entry : kFlagCommands)
            if (entry.command == id)
                scene->*entry.flag = Toggle(scene->*entry.flag);
        break;
    }
    UpdateMenu();
}

void Application::UpdateMenu()
{
    if (!menu)
        return;  // a command inside window creation: the menu is not fetched yet
    platform::CheckMenuItem(menu, kCommandPause, paused);
    platform::EnableMenuItem(menu, kCommandSingleStep, paused);
    if (scene)  // not yet while a box of start-up is open
        for (const FlagCommand& entry : kFlagCommands)
            platform::CheckMenuItem(menu, entry.command, scene->*entry.flag != 0);
    // One stencil bit per shadowed light: with fewer than two, the command is unavailable.
    platform::EnableMenuItem(menu, kCommandShadow, g_stencilBits >= 2);
}

void Application::IdleFrame()
{
    Advance();
    DrawFrame();
    ShowFrameRate();
}

void Application::Advance()
{
    if (!stepClockStarted) {
        lastStepTime = platform::TimeMs();
        stepClockStarted = true;
    }
    const uint32_t now = platform::TimeMs();
    // Unsigned difference: harmless across the clock's wrap-around. A stall counts as 50 ms.
    const uint32_t elapsed = std::min<uint32_t>(now - lastStepTime, 50u);
    frameTime = 0.0005f * float(elapsed) + 0.5f * frameTime;
    scene->Animate(frameTime, paused);
    lastStepTime = now;
}

void Application::DrawFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    if (scene)  // a paint may arrive while start-up is still under way
        scene->RenderFrame();
    glFlush();
    platform::SwapBuffers(window);
}

void Application::ShowFrameRate()
{
    if (!rateClockStarted) {
        lastRateTime = platform::TimeMs() * 0.001;
        rateClockStarted = true;
    }
    const double now = platform::TimeMs() * 0.001;
    double elapsed = now - lastRateTime;
    if (elapsed < 0.0)
        elapsed += 4294967.296;  // the millisecond clock wrapped since the last update
    if (elapsed > 0.5) {
        const double rate = frameCount / elapsed;
        frameCount = 0;
        lastRateTime = now;
        char text[80];
        std::snprintf(text, sizeof text, "%s (%.1f fps)   %s", title, rate, "");
        platform::SetWindowTitle(window, text);
    }
    ++frameCount;
}

int CorvaneMain(const platform::Module* instance)
{
    auto application = std::make_unique<Application>(instance);
    if (!application->Initialize())
        return -1;
    application->Run();
    application->Shutdown();
    return 0;
}
