// Helpers shared by the backends; not part of the platform interface.
#pragma once

namespace platform {

struct MenuTemplate;
struct Module;

// The module's menu template `id`, or null.
const MenuTemplate* FindMenuTemplate(const Module* module, unsigned id);

// Codes from here up belong to the backend; SystemErrorText asks BackendErrorText for them.
inline constexpr unsigned kBackendErrorBase = 0x10000;

void RecordLastError(unsigned code);
// The backend's text for one of its own codes, or null when it has none.
const char* BackendErrorText(unsigned code);

// Tries to open the X display up to `attempts` times, 50 ms apart, and keeps the connection
// open; false if it never opens.
bool WaitForXDisplay(int attempts);

// Keeps the shared libraries loaded so far (the GL driver that glutInit loads among them)
// mapped until the process ends; called right after glutInit.
void KeepLoadedLibrariesMapped();

}  // namespace platform
