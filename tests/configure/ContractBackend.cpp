// A backend that defines all that common/Backend.h asks of one (linked with common/ and the
// emulated message handling, it must link) or, with LEAVE_OUT_SWAP, all but SwapBuffers (it
// must not: the linker names the function). Linked, never run, by backend-contract.cmake.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/common/Backend.h"

namespace platform {

// The toolkit's part of common/.
bool StartToolkit() { return true; }
bool AcceptClass(const RegisteredClass&) { return true; }
const char* OwnErrorText(unsigned) { return nullptr; }
std::unique_ptr<Window> NewWindow() { return std::make_unique<Window>(); }
bool BuildWindow(Window&, const RegisteredClass&, int, int) { return true; }
void TearDownWindow(Window&) {}
void MirrorTitle(Window&) {}
void MirrorMenuItem(Window&, const MenuItemState&) {}
int ShowMessageBox(const MessageBoxRequest&) { return kAnswerOk; }

// The toolkit's own functions of Platform.h.
void ShowAppWindow(Window*) {}
bool PeekAppMessage(MessageRecord*) { return false; }
int ChoosePixelFormat(Window*, const PixelFormat&) { return 0; }
bool DescribePixelFormat(Window*, int, PixelFormat*) { return false; }
bool SetPixelFormat(Window*, int, const PixelFormat&) { return false; }
GLContext* CreateGLContext(Window*) { return nullptr; }
bool MakeCurrent(Window*, GLContext*) { return false; }
#ifndef LEAVE_OUT_SWAP
void SwapBuffers(Window*) {}
#endif
Window* GetFocusWindow() { return nullptr; }
uint32_t TimeMs() { return 0; }
void ExitProcess(int) { throw 0; }

// The operating system's part.
void RecordLastError(unsigned) {}
unsigned LastErrorCode() { return 0; }
char* SystemErrorText(unsigned) { return nullptr; }
void FreeSystemErrorText(char*) {}
void KeepLoadedLibrariesMapped() {}
bool RequireXDisplay(bool) { return true; }
File* OpenFileForReading(const char*) { return nullptr; }
bool SeekFile(File*, uint64_t) { return false; }
size_t ReadFile(File*, void*, size_t) { return 0; }
uint64_t FileSize(File*) { return 0; }
void CloseFile(File*) {}

}  // namespace platform

namespace {

using Function = void (*)();
template <typename F>
Function Use(F* function)
{
    return reinterpret_cast<Function>(function);
}

}  // namespace

// Every function of Platform.h: the link needs each one defined once.
int main()
{
    using namespace platform;
    const Function every[] = {
        Use(LoadText), Use(LoadAcceleratorTable), Use(RegisterWindowClass),
        Use(CreateAppWindow), Use(ShowAppWindow), Use(GetWindowMenu), Use(SetWindowTitle),
        Use(GetWindowTitle), Use(CheckMenuItem), Use(EnableMenuItem), Use(IsMenuItemChecked),
        Use(IsMenuItemEnabled), Use(PeekAppMessage), Use(TranslateAppAccelerator),
        Use(DispatchAppMessage), Use(DefaultWindowProc), Use(PostQuitMessage),
        Use(ChoosePixelFormat), Use(DescribePixelFormat), Use(SetPixelFormat),
        Use(CreateGLContext), Use(MakeCurrent), Use(SwapBuffers),
        Use(static_cast<int (*)(Window*, const char*, const char*, unsigned)>(ShowMessageBox)),
        Use(GetFocusWindow), Use(IsKeyDown), Use(TimeMs), Use(LastErrorCode),
        Use(SystemErrorText), Use(FreeSystemErrorText), Use(OpenFileForReading), Use(SeekFile),
        Use(ReadFile), Use(FileSize), Use(CloseFile), Use(ExitProcess), Use(Startup),
    };
    return every[0] ? 0 : 1;
}
