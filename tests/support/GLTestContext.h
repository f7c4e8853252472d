// A current GL context for tests that exercise GL code without the Application: an
// offscreen window of the given client size with 8 stencil bits, made current.
#pragma once

#include <gtest/gtest.h>

#include "platform/Platform.h"
#include "platform/offscreen/Offscreen.h"

namespace corvane::test {

inline intptr_t PassThroughWindowProc(platform::Window* window, unsigned message,
                                      uintptr_t wParam, intptr_t lParam)
{
    return platform::DefaultWindowProc(window, message, wParam, lParam);
}

// Creates the window and context; fails the calling test (fatally) when that is not possible.
inline platform::Window* MakeGLTestContext(int width = 256, int height = 256)
{
    platform::offscreen::Config config;
    config.clientWidth = width;
    config.clientHeight = height;
    platform::offscreen::Configure(config);
    static const platform::WindowClass windowClass{"CorvaneTest", PassThroughWindowProc,
                                                   nullptr, 0, 0};
    platform::RegisterWindowClass(windowClass);
    platform::Window* window = platform::CreateAppWindow("CorvaneTest", "test", width, height);
    if (!window)
        return nullptr;
    const platform::PixelFormat request{platform::kDrawToWindow | platform::kSupportOpenGL |
                                            platform::kDoubleBuffer,
                                        32, 32, 8};
    const int index = platform::ChoosePixelFormat(window, request);
    platform::PixelFormat granted{};
    platform::DescribePixelFormat(window, index, &granted);
    if (!platform::SetPixelFormat(window, index, granted))
        return nullptr;
    platform::GLContext* context = platform::CreateGLContext(window);
    if (!context || !platform::MakeCurrent(window, context))
        return nullptr;
    platform::ShowAppWindow(window);
    return window;
}

// Fixture: each test gets a fresh current context, released afterwards.
class GLTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(MakeGLTestContext(), nullptr) << "no GL context"; }
    void TearDown() override { platform::offscreen::Teardown(); }
};

}  // namespace corvane::test
