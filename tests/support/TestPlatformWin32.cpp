// The tests' GL context and key state on the Win32 backend: a hidden window of its own with a
// WGL context (under Wine, Mesa's), and the thread's keyboard state that GetKeyState reads.
#include "platform/win32/Win32.h"
#include "support/GLTestContext.h"

namespace corvane::test {
namespace {

platform::Window* g_window = nullptr;

}  // namespace

platform::Window* MakeGLTestContext(int width, int height)
{
    static const platform::WindowClass windowClass{"CorvaneTest", PassThroughWindowProc,
                                                   nullptr, 0, 0};
    platform::RegisterWindowClass(windowClass);
    g_window = platform::CreateAppWindow("CorvaneTest", "test", width, height);
    if (!g_window || !MakeWindowCurrent(g_window))
        return nullptr;
    return g_window;
}

void ReleaseGLTestContext()
{
    platform::MakeCurrent(nullptr, nullptr);
    if (g_window)
        platform::DefaultWindowProc(g_window, platform::kMessageClose, 0, 0);  // destroys it
    g_window = nullptr;
}

void SetKeyDown(platform::Key key, bool down) { platform::win32::SetKeyState(key, down); }

}  // namespace corvane::test
