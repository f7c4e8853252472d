// A current GL context for tests that exercise GL code without the Application: a window of
// the given client size with 8 stencil bits, made current, on the backend the suite runs on
// (offscreen on Linux, win32 under Wine). And the key state the camera reads, set by the test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/Platform.h"

namespace corvane::test {

inline intptr_t PassThroughWindowProc(platform::Window* window, unsigned message,
                                      uintptr_t wParam, intptr_t lParam)
{
    return platform::DefaultWindowProc(window, message, wParam, lParam);
}

// Creates the window and context (TestPlatform*.cpp); null when that is not possible.
platform::Window* MakeGLTestContext(int width = 256, int height = 256);
// Releases what MakeGLTestContext made.
void ReleaseGLTestContext();
// Whether IsKeyDown reads the key as held.
void SetKeyDown(platform::Key key, bool down);

// Asks for the window's pixel format (32 colour, 32 depth, 8 stencil bits) and makes a context
// for it current; false on failure.
inline bool MakeWindowCurrent(platform::Window* window)
{
    const platform::PixelFormat request{platform::kDrawToWindow | platform::kSupportOpenGL |
                                            platform::kDoubleBuffer,
                                        32, 32, 8};
    const int index = platform::ChoosePixelFormat(window, request);
    platform::PixelFormat granted{};
    platform::DescribePixelFormat(window, index, &granted);
    if (!platform::SetPixelFormat(window, index, granted))
        return false;
    platform::GLContext* context = platform::CreateGLContext(window);
    return context && platform::MakeCurrent(window, context);
}

// Fixture: each test gets a fresh current context, released afterwards.
class GLTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(MakeGLTestContext(), nullptr) << "no GL context"; }
    void TearDown() override { ReleaseGLTestContext(); }
};

}  // namespace corvane::test
