// Internal to platform/: the state all backends share and the entry points between the shared
// code in platform/common/ and the backends. What is the same everywhere lives once in common/:
// start-up (with GLUT), the window-class registry, the platform's own error texts and, for the
// backends without a native one (fltk, offscreen), the message queue, accelerator translation
// and resource look-up in the module's tables. Each backend defines the Backend* entry points
// below. A program links exactly one backend, so the linker resolves them.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace platform {

// ---- Error codes ----

// The platform's own codes have bit 29 set: Win32 leaves that bit to applications, and errno
// values never reach it. The backends number theirs from kBackendErrorBase.
inline constexpr unsigned kPlatformErrorBase = 0x20000000;
enum PlatformError : unsigned {
    kErrorInvalidClass = kPlatformErrorBase + 1,
    kErrorUnknownClass,
    kErrorInvalidWindow,
};
inline constexpr unsigned kBackendErrorBase = kPlatformErrorBase + 0x100;

// Sets the code LastErrorCode answers (the posix files keep it; on Win32 it is SetLastError).
void RecordLastError(unsigned code);
// The text of a platform or backend code (from kPlatformErrorBase up), or null.
const char* PlatformErrorText(unsigned code);

// ---- Shared state ----

struct RegisteredClass {
    std::string name;
    WindowProc windowProc;
    const Module* instance;
    unsigned menuResource;
    unsigned iconResource;
};

struct SharedState {
    bool startedUp = false;
    std::string programName;  // argv[0] without its folder, for start-up messages
    std::vector<RegisteredClass> classes;
    std::deque<MessageRecord> queue;  // fltk and offscreen; Win32 has its own
};

SharedState& Shared();

// The class registered under `name`, or null.
const RegisteredClass* FindWindowClass(const char* name);

// ---- Resource tables (common/Resources.cpp) ----

// The module's menu template `id`, or null.
const MenuTemplate* FindMenuTemplate(const Module* module, unsigned id);
// The module's icon `id` (PNG bytes), or null.
const IconResource* FindIcon(const Module* module, unsigned id);

// ---- The message queue of fltk and offscreen (common/MessageQueue.cpp) ----

void QueueMessage(Window* window, unsigned message, uintptr_t wParam, intptr_t lParam);
// Takes the oldest queued message; false when the queue is empty.
bool TakeQueuedMessage(MessageRecord* message);
// Forgets the queued messages of a window that is going away.
void DropQueuedMessages(const Window* window);

// ---- Entry points every backend defines ----

// Run once by Startup before GLUT starts: whatever the backend needs first (its display).
void BackendStartup();
// Told of every class registered; false refuses it (after RecordLastError).
bool BackendRegisterClass(const RegisteredClass& windowClass);
// The text of one of the backend's own codes, or null.
const char* BackendErrorText(unsigned code);

// ---- Entry points of the backends that use the shared queue ----

bool BackendIsLiveWindow(const Window* window);
// Calls the window's procedure at once.
intptr_t BackendSendMessage(Window* window, unsigned message, uintptr_t wParam, intptr_t lParam);

// ---- The X display (fltk and offscreen, posix/XDisplay.cpp) ----

// Opens the X display and keeps the connection. When there is none, says on stderr in one
// line what is missing and what to do, and ends the process with the start-up failure code.
void RequireXDisplay();

// ---- Loaded libraries (posix/LoadedLibraries.cpp; nothing to do on Win32) ----

// Keeps the shared libraries loaded so far (the GL driver that glutInit loads among them)
// mapped until the process ends; Startup calls it right after glutInit.
void KeepLoadedLibrariesMapped();

}  // namespace platform
