// The menu bar of a window: built from a menu template (popups nest as in a resource
// script), items drawn as "label <tab> shortcut text", check marks as toggle items and
// greying as inactive items. Choosing an item posts kMessageCommand with its id.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <FL/fl_draw.H>

#include "platform/fltk/FltkBackend.h"

namespace platform {
namespace {

// Every item draws with this label type. The text before '\t' is the label ('&' marks
// the mnemonic, underlined as FLTK underlines menu mnemonics); the text after it is shown
// exactly as written, right-aligned. FLTK's own shortcut column is not used: it would
// print its own key names ("Escape" where the menu says "Esc"), and a shortcut on the item
// would let FLTK send the command itself, bypassing the accelerator table.
constexpr Fl_Labeltype kMenuTextLabel = FL_FREE_LABELTYPE;

struct MenuText {
    std::string label;
    std::string shortcut;  // empty when the text has no '\t'
};

MenuText SplitMenuText(const char* text)
{
    MenuText parts;
    const char* tab = std::strchr(text, '\t');
    if (!tab) {
        parts.label = text;
        return parts;
    }
    parts.label.assign(text, size_t(tab - text));
    // Menus draw with mnemonic underlining on; a doubled '&' prints one '&'.
    for (const char* c = tab + 1; *c; ++c) {
        if (*c == '&')
            parts.shortcut += '&';
        parts.shortcut += *c;
    }
    return parts;
}

// Room between the longest label and the shortcut column: two font sizes.
int ShortcutGap(const Fl_Label* label) { return 2 * label->size; }

// '@' is drawn as itself (symbol expansion off): item texts are shown as written.
void DrawMenuText(const Fl_Label* label, int x, int y, int width, int height, Fl_Align align)
{
    const MenuText text = SplitMenuText(label->value);
    fl_font(label->font, label->size);
    fl_color(label->color);
    fl_draw(text.label.c_str(), x, y, width, height, align, nullptr, 0);
    if (!text.shortcut.empty())
        fl_draw(text.shortcut.c_str(), x, y, width, height, FL_ALIGN_RIGHT, nullptr, 0);
}

void MeasureMenuText(const Fl_Label* label, int& width, int& height)
{
    const MenuText text = SplitMenuText(label->value);
    fl_font(label->font, label->size);
    width = 0;
    height = 0;
    fl_measure(text.label.c_str(), width, height, 0);
    if (text.shortcut.empty())
        return;
    int shortcutWidth = 0, shortcutHeight = 0;
    fl_measure(text.shortcut.c_str(), shortcutWidth, shortcutHeight, 0);
    width += ShortcutGap(label) + shortcutWidth;
    height = std::max(height, shortcutHeight);
}

Fl_Menu_Item MakeItem(const char* text, int flags, unsigned id)
{
    Fl_Menu_Item item{};
    item.text = text;
    item.flags = flags;
    item.labeltype_ = kMenuTextLabel;
    item.user_data_ = reinterpret_cast<void*>(uintptr_t(id));
    return item;
}

void OnMenuPicked(Fl_Widget* widget, void* data)
{
    auto* window = static_cast<FltkWindow*>(data);
    auto* item = const_cast<Fl_Menu_Item*>(static_cast<Fl_Menu_*>(widget)->mvalue());
    if (!item || !IsLiveWindow(window))
        return;
    // FLTK flips a toggle item's mark as it is chosen. Marks change only through
    // CheckMenuItem, when the application has handled the command.
    if (item->flags & FL_MENU_TOGGLE)
        item->flags ^= FL_MENU_VALUE;
    QueueMessage(window, kMessageCommand, uintptr_t(item->argument()), 0);
}

}  // namespace

Fl_Menu_Item* FltkWindow::FindMenuItem(unsigned id)
{
    for (Fl_Menu_Item& item : menuItems)
        if (item.text && !(item.flags & FL_SUBMENU) && item.argument() == long(id))
            return &item;
    return nullptr;
}

void BuildMenu(FltkWindow* window, const MenuTemplate* menuTemplate, int width)
{
    Fl::set_labeltype(kMenuTextLabel, DrawMenuText, MeasureMenuText);  // idempotent
    std::vector<Fl_Menu_Item>& items = window->menuItems;
    // Per open level, the index of its latest entry (-1 before the first): a separator
    // puts a divider line below that entry.
    std::vector<long> lastEntry{-1};
    for (size_t i = 0; i < menuTemplate->count; ++i) {
        const MenuEntry& entry = menuTemplate->entries[i];
        switch (entry.kind) {
        case MenuEntry::kPopup:
        case MenuEntry::kItem: {
            window->menuLabels.emplace_back(entry.text ? entry.text : "");
            const bool popup = entry.kind == MenuEntry::kPopup;
            items.push_back(MakeItem(window->menuLabels.back().c_str(), popup ? FL_SUBMENU : 0,
                                     popup ? 0 : entry.id));
            lastEntry.back() = long(items.size() - 1);
            if (popup)
                lastEntry.push_back(-1);
            break;
        }
        case MenuEntry::kSeparator:
            if (lastEntry.back() >= 0)
                items[size_t(lastEntry.back())].flags |= FL_MENU_DIVIDER;
            break;
        case MenuEntry::kEndPopup:  // the program's templates close every popup they open
            items.push_back(Fl_Menu_Item{});
            lastEntry.pop_back();
            break;
        }
    }
    items.push_back(Fl_Menu_Item{});

    Fl_Menu_Bar* bar = window->menuBar = new Fl_Menu_Bar(0, 0, width, kMenuBarHeight);
    bar->menu(items.data());
    bar->callback(OnMenuPicked, window);
    // A callback for every choice, also when the same item is chosen twice in a row.
    bar->when(FL_WHEN_RELEASE_ALWAYS);
    // Keys belong to the accelerator table; the bar never holds the keyboard focus.
    bar->clear_visible_focus();
}

// An item becomes a toggle item (with room for its mark) once it is first checked or
// unchecked; items the program never marks show no check box. The bar is redrawn when an
// item's look changed.
void MirrorMenuItem(Window& record, const MenuItemState& state)
{
    FltkWindow* window = Fltk(&record);
    Fl_Menu_Item* item = window->FindMenuItem(state.id);
    if (!item)
        return;
    int flags = item->flags & ~(FL_MENU_TOGGLE | FL_MENU_VALUE | FL_MENU_INACTIVE);
    flags |= (state.checkable ? FL_MENU_TOGGLE : 0) | (state.checked ? FL_MENU_VALUE : 0) |
             (state.enabled ? 0 : FL_MENU_INACTIVE);
    if (flags == item->flags)
        return;
    item->flags = flags;
    window->menuBar->redraw();
}

}  // namespace platform
