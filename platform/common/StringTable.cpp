// Strings by id from the module's string table, for the backends without compiled resources
// (fltk, offscreen); the Win32 backend loads them with LoadStringA.
#include <cstring>

#include "platform/common/Internal.h"

namespace platform {

int LoadText(const Module* module, unsigned id, char* buffer, int bufferSize)
{
    if (!buffer || bufferSize <= 0)
        return 0;
    buffer[0] = '\0';
    if (!module)
        return 0;
    for (size_t i = 0; i < module->stringCount; ++i) {
        if (module->strings[i].id != id)
            continue;
        const size_t length = std::strlen(module->strings[i].text);
        const size_t copied = length < size_t(bufferSize - 1) ? length : size_t(bufferSize - 1);
        std::memcpy(buffer, module->strings[i].text, copied);
        buffer[copied] = '\0';
        return int(copied);
    }
    return 0;
}

}  // namespace platform
