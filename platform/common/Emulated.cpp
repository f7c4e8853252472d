// The message handling of the backends whose toolkit has none of its own (fltk, offscreen,
// web), linked by those only: posted messages wait in the shared queue until the backend's
// PeekAppMessage takes them, dispatching sends a message to its window's procedure while the
// window lives, a keystroke of the accelerator table becomes its menu item's command unless
// that item is greyed, strings come from the module's string table and key state from the
// shared array. Win32 has all of this itself.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>

#include "platform/common/Backend.h"

namespace platform {

void QueueMessage(Window* window, unsigned message, uintptr_t wParam, intptr_t lParam)
{
    Shared().queue.push_back({window, message, wParam, lParam});
}

bool TakeQueuedMessage(MessageRecord* message)
{
    std::deque<MessageRecord>& queue = Shared().queue;
    if (queue.empty())
        return false;
    *message = queue.front();
    queue.pop_front();
    return true;
}

void SetKeyDown(Key key, bool down)
{
    if (IsKnownKey(key))
        Shared().keys[size_t(key)] = down;
}

void ReleaseAllKeys() { Shared().keys.fill(false); }

void DeliverScriptedInput(Window* window, int frame, const std::vector<HeldRange>& holds,
                          const std::vector<ScheduledInput>& inputs)
{
    for (const HeldRange& range : holds)
        SetKeyDown(range.key, false);
    for (const HeldRange& range : holds)
        if (frame >= range.from && frame < range.to)
            SetKeyDown(range.key, true);
    for (const ScheduledInput& input : inputs)
        if (input.frame == frame && IsLiveWindow(window) &&
            (!input.isCommand || IsMenuItemEnabled(&window->menu, input.value)))
            QueueMessage(window, input.isCommand ? kMessageCommand : kMessageKeyDown,
                         input.value, 0);
}

bool AnyKeyHeld()
{
    const auto& keys = Shared().keys;
    return std::find(keys.begin(), keys.end(), true) != keys.end();
}

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

intptr_t DispatchAppMessage(const MessageRecord& message)
{
    Window* window = message.window;
    if (!IsLiveWindow(window))
        return 0;
    return window->windowProc(window, message.message, message.wParam, message.lParam);
}

intptr_t DefaultWindowProc(Window* window, unsigned message, uintptr_t, intptr_t)
{
    if (message == kMessageClose)
        DestroyWindow(window);
    return 0;
}

void PostQuitMessage(int exitCode)
{
    QueueMessage(nullptr, kMessageQuit, uintptr_t(intptr_t(exitCode)), 0);
}

int LoadText(const Module* module, unsigned id, char* buffer, int bufferSize)
{
    if (!PrepareTextBuffer(buffer, bufferSize) || !module)
        return 0;
    for (size_t i = 0; i < module->stringCount; ++i) {
        if (module->strings[i].id != id)
            continue;
        const size_t length = std::strlen(module->strings[i].text);
        const size_t copied = std::min(length, size_t(bufferSize - 1));
        std::memcpy(buffer, module->strings[i].text, copied);
        buffer[copied] = '\0';
        return int(copied);
    }
    return 0;
}

bool IsKeyDown(Key key) { return IsKnownKey(key) && Shared().keys[size_t(key)]; }

}  // namespace platform
