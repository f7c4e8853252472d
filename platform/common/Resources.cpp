// Resource look-up by id in the program's module tables, for the backends that have no
// compiled resources (fltk, offscreen).
#include <cstring>

#include "platform/Platform.h"
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

const AcceleratorTable* LoadAcceleratorTable(const Module* module, unsigned id)
{
    if (!module)
        return nullptr;
    for (size_t i = 0; i < module->acceleratorTableCount; ++i)
        if (module->acceleratorTables[i].resourceId == id)
            return &module->acceleratorTables[i];
    return nullptr;
}

const MenuTemplate* FindMenuTemplate(const Module* module, unsigned id)
{
    if (!module)
        return nullptr;
    for (size_t i = 0; i < module->menuCount; ++i)
        if (module->menus[i].resourceId == id)
            return &module->menus[i];
    return nullptr;
}

const IconResource* FindIcon(const Module* module, unsigned id)
{
    if (!module || id == 0)
        return nullptr;
    for (size_t i = 0; i < module->iconCount; ++i)
        if (module->icons[i].id == id)
            return &module->icons[i];
    return nullptr;
}

}  // namespace platform
