// The window-class registry, shared by every backend, and the texts of the platform's own
// error codes.
#include <cstring>

#include "platform/common/Internal.h"

namespace platform {

bool RegisterWindowClass(const WindowClass& windowClass)
{
    if (!windowClass.className || !windowClass.className[0] || !windowClass.windowProc) {
        RecordLastError(kErrorInvalidClass);
        return false;
    }
    const RegisteredClass entry{windowClass.className, windowClass.windowProc,
                                windowClass.instance, windowClass.menuResource,
                                windowClass.iconResource};
    if (!BackendRegisterClass(entry))
        return false;
    for (RegisteredClass& known : Shared().classes)
        if (known.name == entry.name) {
            known = entry;
            return true;
        }
    Shared().classes.push_back(entry);
    return true;
}

const RegisteredClass* FindWindowClass(const char* name)
{
    if (!name)
        return nullptr;
    for (const RegisteredClass& known : Shared().classes)
        if (known.name == name)
            return &known;
    return nullptr;
}

const char* PlatformErrorText(unsigned code)
{
    switch (code) {
    case kErrorInvalidClass: return "The window class has no name or no window procedure.";
    case kErrorUnknownClass: return "No window class of that name is registered.";
    case kErrorInvalidWindow: return "The window does not exist or has been destroyed.";
    default: return code >= kBackendErrorBase ? BackendErrorText(code) : nullptr;
    }
}

}  // namespace platform
