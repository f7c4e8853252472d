// Accelerator translation for the backends without a native one (fltk, offscreen): a keystroke
// of the table becomes the command of its menu item, unless that item is greyed.
#include "platform/Platform.h"

namespace platform {

bool TranslateAppAccelerator(Window* window, const AcceleratorTable* table,
                          const MessageRecord& message)
{
    if (!window || !table || message.message != kMessageKeyDown)
        return false;
    const Key key = static_cast<Key>(message.wParam);
    for (size_t i = 0; i < table->count; ++i) {
        const Accelerator& accelerator = table->entries[i];
        if (accelerator.key != key)
            continue;
        Menu* menu = GetWindowMenu(window);
        if (menu && !IsMenuItemEnabled(menu, accelerator.id))
            return true;  // the keystroke is taken, but a greyed item sends nothing
        DispatchAppMessage({window, kMessageCommand, accelerator.id, 0});
        return true;
    }
    return false;
}

}  // namespace platform
