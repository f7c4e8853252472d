// Application: owns the window, its GL context, the scene and the three textures. Start-up
// (window, pixel format, context, fixed GL state, textures, scene), the idle-driven message
// loop, the frame timing, the menu commands with their check marks and the frame-rate title.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

class Scene;

class Application {
public:
    explicit Application(const platform::Module* instance);  // sets g_application
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Start-up: window (with pixel format and context), GL state, textures, scene, menu marks.
    // False only when the window cannot be created, after telling the user.
    bool Initialize();
    bool CreateMainWindow();
    void SetupPixelFormat(platform::Window* window);  // every failure ends the process
    void InitRendering();
    void Resize(int width, int height);  // client size in pixels
    void Shutdown();

    void Run();  // until the quit message
    intptr_t HandleMessage(platform::Window* window, unsigned message, uintptr_t wParam,
                           intptr_t lParam);
    void OnCommand(uintptr_t wParam);
    void UpdateMenu();
    void IdleFrame();
    void Advance();
    void DrawFrame();
    void ShowFrameRate();

    char title[32] = "Corvane";  // class name and window title
    const platform::Module* instance;
    platform::Window* window = nullptr;
    platform::GLContext* renderingContext = nullptr;
    platform::Menu* menu = nullptr;
    const platform::AcceleratorTable* accelerators = nullptr;
    int clientWidth = 640;
    int clientHeight = 480;
    bool paused = false;
    float frameTime = 0.01f;  // smoothed seconds per frame, at most 0.05
    Scene* scene = nullptr;

    // Frame timing, kept across frames (one Application per process).
    bool stepClockStarted = false;
    uint32_t lastStepTime = 0;  // ms of TimeMs, wraps
    bool rateClockStarted = false;
    double lastRateTime = 0.0;  // seconds
    uint32_t frameCount = 0;    // idle frames since the last title update

private:
    // Shows "message\n\nsystem text" for the last platform error in an "Error" box.
    static void ReportLastError(const char* message);
};

// The program's entry point: start-up, the loop, shut-down. Returns -1 when the window
// cannot be created, else 0.
int CorvaneMain(const platform::Module* instance);
