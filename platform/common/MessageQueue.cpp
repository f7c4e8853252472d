// The message queue of the backends that have no native one (fltk, offscreen): posted
// messages wait here in order until PeekAppMessage takes them; dispatching sends a message to
// its window's procedure while the window lives.
#include "platform/common/Internal.h"

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

void DropQueuedMessages(const Window* window)
{
    std::deque<MessageRecord>& queue = Shared().queue;
    for (auto record = queue.begin(); record != queue.end();)
        record = record->window == window ? queue.erase(record) : record + 1;
}

void PostQuitMessage(int exitCode)
{
    QueueMessage(nullptr, kMessageQuit, uintptr_t(intptr_t(exitCode)), 0);
}

intptr_t DispatchAppMessage(const MessageRecord& message)
{
    if (!BackendIsLiveWindow(message.window))
        return 0;
    return BackendSendMessage(message.window, message.message, message.wParam, message.lParam);
}

}  // namespace platform
