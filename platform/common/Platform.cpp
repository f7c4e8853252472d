// The functions of Platform.h that every backend shares: start-up with GLUT, the window-class
// registry, the window records (title, menu item state, client size, live or destroyed), their
// creation and destruction, and message boxes with their style decoded. What the toolkit does
// itself for these, the backend's functions of common/Backend.h do.
#include <GL/freeglut.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/common/Backend.h"

namespace platform {
namespace {

std::string BaseName(const char* path)
{
    std::string name = path && *path ? path : "corvane";
    const size_t slash = name.find_last_of("/\\");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

// The buttons and the icon of a message box style: Win32's MB_TYPEMASK and MB_ICONMASK.
constexpr unsigned kButtonMask = 0x0F;
constexpr unsigned kIconMask = 0xF0;

MessageBoxRequest::Icon IconOfStyle(unsigned style)
{
    switch (style & kIconMask) {
    case kIconError: return MessageBoxRequest::Icon::kError;
    case kIconQuestion: return MessageBoxRequest::Icon::kQuestion;
    case kIconWarning: return MessageBoxRequest::Icon::kWarning;
    case kIconInformation: return MessageBoxRequest::Icon::kInformation;
    default: return MessageBoxRequest::Icon::kNone;
    }
}

// Applies `change` to item `id` and shows it in the toolkit's menu while the window lives
// (the toolkit redraws only what changed).
template <typename Change>
void UpdateMenuItem(Menu* menu, unsigned id, Change change)
{
    MenuItemState* item = menu ? menu->Find(id) : nullptr;
    if (!item)
        return;
    change(*item);
    if (IsLiveWindow(menu->window))
        MirrorMenuItem(*menu->window, *item);
}

}  // namespace

SharedState& Shared()
{
    static SharedState* state = new SharedState;
    return *state;
}

// ---- Start-up: the backend's display first, then GLUT. freeglut's solids refuse to draw
// before glutInit, and on X glutInit opens a display of its own; on a server without GLX it
// would end the process with its own message, so it is left out there and the window's pixel
// format fails instead. GLUT is given the program's name only: the program has no options,
// and an argument such as "-display" must not reach GLUT, which would act on it. ----

void Startup(int* argc, char** argv)
{
    SharedState& shared = Shared();
    if (shared.startedUp)
        return;
    shared.programName = BaseName(argc && *argc > 0 && argv ? argv[0] : nullptr);
    char* glutArgv[] = {shared.programName.data(), nullptr};
    int glutArgc = 1;
    if (StartToolkit())
        glutInit(&glutArgc, glutArgv);
    KeepLoadedLibrariesMapped();
    shared.startedUp = true;
}

const char* PlatformErrorText(unsigned code)
{
    switch (code) {
    case kErrorUnknownClass: return "No window class of that name is registered.";
    case kErrorInvalidWindow: return "The window does not exist or has been destroyed.";
    default: return code >= kBackendErrorBase ? OwnErrorText(code) : nullptr;
    }
}

// ---- Window classes ----

bool RegisterWindowClass(const WindowClass& windowClass)
{
    const RegisteredClass entry{windowClass.className, windowClass.windowProc,
                                windowClass.instance, windowClass.menuResource,
                                windowClass.iconResource};
    if (!AcceptClass(entry))
        return false;
    std::vector<RegisteredClass>& classes = Shared().classes;
    auto known = std::find_if(classes.begin(), classes.end(),
                              [&](const RegisteredClass& c) { return c.name == entry.name; });
    if (known != classes.end())
        *known = entry;
    else
        classes.push_back(entry);
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

// ---- Window records ----

bool IsLiveWindow(const Window* window)
{
    if (!window || window->destroyed)
        return false;
    for (const auto& known : Shared().windows)
        if (known.get() == window)
            return true;
    return false;
}

bool SendCreate(Window* window)
{
    return window->windowProc(window, kMessageCreate, 0, 0) != -1;
}

void SendClientSize(Window* window, int width, int height)
{
    // A frame shrunk below its menu bar gives the client a negative height, which the 16 bits
    // of the message would carry as a huge one: the client is then 0 pixels high.
    width = std::max(0, width);
    height = std::max(0, height);
    if (width == window->clientWidth && height == window->clientHeight)
        return;
    window->clientWidth = width;
    window->clientHeight = height;
    const uintptr_t size = (uintptr_t(width) & 0xFFFF) | ((uintptr_t(height) & 0xFFFF) << 16);
    window->windowProc(window, kMessageSize, 0, intptr_t(size));
}

void DestroyWindow(Window* window)
{
    if (!IsLiveWindow(window))
        return;
    window->destroyed = true;  // what the toolkit sends while its window goes is not delivered
    TearDownWindow(*window);
    std::deque<MessageRecord>& queue = Shared().queue;
    queue.erase(std::remove_if(queue.begin(), queue.end(),
                               [&](const MessageRecord& m) { return m.window == window; }),
                queue.end());
    window->windowProc(window, kMessageDestroy, 0, 0);
}

void ForgetWindows(const Window* keep)
{
    SharedState& shared = Shared();
    shared.queue.clear();
    auto& windows = shared.windows;
    windows.erase(std::remove_if(windows.begin(), windows.end(),
                                 [&](const auto& window) { return window.get() != keep; }),
                  windows.end());
}

Window* CreateAppWindow(const char* className, const char* title, int outerWidth,
                        int outerHeight)
{
    const RegisteredClass* windowClass = FindWindowClass(className);
    if (!windowClass) {
        RecordLastError(kErrorUnknownClass);
        return nullptr;
    }
    Shared().windows.push_back(NewWindow());
    Window* window = Shared().windows.back().get();
    window->windowProc = windowClass->windowProc;
    window->title.reserve(80);  // a frame-rate title then never allocates
    window->title = title ? title : "";
    window->menu.window = window;
    if (const MenuTemplate* menu =
            FindMenuTemplate(windowClass->instance, windowClass->menuResource)) {
        window->hasMenu = true;
        for (size_t e = 0; e < menu->count; ++e)
            if (menu->entries[e].kind == MenuEntry::kItem)
                window->menu.items.push_back({menu->entries[e].id});
    }
    return BuildWindow(*window, *windowClass, outerWidth, outerHeight) ? window : nullptr;
}

Menu* GetWindowMenu(Window* window)
{
    return IsLiveWindow(window) && window->hasMenu ? &window->menu : nullptr;
}

void SetWindowTitle(Window* window, const char* text)
{
    if (!window)
        return;
    window->title = text ? text : "";
    if (IsLiveWindow(window))
        MirrorTitle(*window);
}

const char* GetWindowTitle(Window* window) { return window ? window->title.c_str() : ""; }

// ---- Menu items: an id with no item is enabled and unchecked, and changes nothing ----

MenuItemState* Menu::Find(unsigned id)
{
    for (MenuItemState& item : items)
        if (item.id == id)
            return &item;
    return nullptr;
}

void CheckMenuItem(Menu* menu, unsigned id, bool checked)
{
    UpdateMenuItem(menu, id, [&](MenuItemState& item) {
        item.checked = checked;
        item.checkable = true;
    });
}

void EnableMenuItem(Menu* menu, unsigned id, bool enabled)
{
    UpdateMenuItem(menu, id, [&](MenuItemState& item) { item.enabled = enabled; });
}

bool IsMenuItemChecked(Menu* menu, unsigned id)
{
    const MenuItemState* item = menu ? menu->Find(id) : nullptr;
    return item && item->checked;
}

bool IsMenuItemEnabled(Menu* menu, unsigned id)
{
    const MenuItemState* item = menu ? menu->Find(id) : nullptr;
    return !item || item->enabled;
}

// ---- Message boxes ----

int ShowMessageBox(Window* owner, const char* text, const char* caption, unsigned style)
{
    return ShowMessageBox(MessageBoxRequest{owner, text ? text : "", caption ? caption : "",
                                            style, (style & kButtonMask) == kYesNo,
                                            IconOfStyle(style)});
}

}  // namespace platform
