// A backend with every hook (it must compile) or, with LEAVE_OUT_SWAP, one hook short (it must
// not: the build stops at CORVANE_PLATFORM_BACKEND and the compiler names the hook). Compiled,
// never linked, by backend-contract.cmake.
#include <cstdint>
#include <memory>

#include "platform/common/Backend.h"

namespace platform {
namespace {

class ContractBackend final : public EmulatedBackend {
public:
    void StartToolkit() override {}
    bool AcceptClass(const RegisteredClass&) override { return true; }
    const char* OwnErrorText(unsigned) override { return nullptr; }
    std::unique_ptr<Window> NewWindow() override { return std::make_unique<Window>(); }
    bool BuildWindow(Window&, const RegisteredClass&, int, int) override { return true; }
    void RevealWindow(Window&) override {}
    void TearDownWindow(Window&) override {}
    void MirrorTitle(Window&) override {}
    void MirrorMenuItem(Window&, const MenuItemState&) override {}
    bool TakeMessage(MessageRecord*) override { return false; }
    int ChooseFormat(Window*, const PixelFormat&) override { return 0; }
    bool DescribeFormat(Window*, int, PixelFormat*) override { return false; }
    bool SetFormat(Window*, int, const PixelFormat&) override { return false; }
    GLContext* CreateContext(Window*) override { return nullptr; }
    bool BindContext(Window*, GLContext*) override { return false; }
#ifndef LEAVE_OUT_SWAP
    void Swap(Window*) override {}
#endif
    int ShowBox(const MessageBoxRequest&) override { return kAnswerOk; }
    Window* FocusWindow() override { return nullptr; }
    uint32_t Milliseconds() override { return 0; }
    [[noreturn]] void Exit(int) override { throw 0; }
};

}  // namespace

CORVANE_PLATFORM_BACKEND(ContractBackend)

}  // namespace platform
