// Resource look-up by id in the program's module tables. The Win32 backend finds the same
// ids among the resources compiled into the program; the table it gets here names the id.
#include <cstddef>

#include "platform/common/Backend.h"

namespace platform {

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
