// The tests' GL context and key state on the offscreen backend: an EGL pbuffer of the client
// size, and the backend's scripted key state.
#include "platform/offscreen/Offscreen.h"
#include "support/GLTestContext.h"

namespace corvane::test {

platform::Window* MakeGLTestContext(int width, int height)
{
    platform::offscreen::Config config;
    config.clientWidth = width;
    config.clientHeight = height;
    platform::offscreen::Configure(config);
    static const platform::WindowClass windowClass{"CorvaneTest", PassThroughWindowProc,
                                                   nullptr, 0, 0};
    platform::RegisterWindowClass(windowClass);
    platform::Window* window = platform::CreateAppWindow("CorvaneTest", "test", width, height);
    if (!window || !MakeWindowCurrent(window))
        return nullptr;
    platform::ShowAppWindow(window);
    return window;
}

void ReleaseGLTestContext() { platform::offscreen::Teardown(); }

void SetKeyDown(platform::Key key, bool down) { platform::offscreen::SetKeyDown(key, down); }

}  // namespace corvane::test
