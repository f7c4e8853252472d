// Control of the Win32 backend for tests, as Offscreen.h is for the offscreen backend: the
// state of a key as GetKeyState reads it on this thread (SetKeyboardState), so the camera
// can be driven without a keyboard.
#pragma once

#include "platform/Platform.h"

namespace platform::win32 {

void SetKeyState(Key key, bool down);

}  // namespace platform::win32
