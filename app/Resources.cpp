// The resource tables of the Linux backends, expanded from app/ResourceTables.h (the same lists
// app/Corvane.rc gives windres), and the version record from the build's project version.
#include "app/Resources.h"

#include <iterator>

#include "app/CorvaneVersion.h"

extern const platform::IconResource kCorvaneIcon;  // generated from assets/icons/

namespace {

using platform::Accelerator;
using platform::AcceleratorTable;
using platform::Key;
using platform::MenuEntry;
using platform::MenuTemplate;
using platform::StringResource;

// The Win32 virtual-key names the accelerator list is written with.
constexpr Key VK_ESCAPE = Key::kEscape, VK_SPACE = Key::kSpace, VK_PAUSE = Key::kPause,
              VK_F1 = Key::kF1, VK_F2 = Key::kF2, VK_F3 = Key::kF3, VK_F4 = Key::kF4,
              VK_F5 = Key::kF5, VK_F6 = Key::kF6, VK_F7 = Key::kF7, VK_F8 = Key::kF8,
              VK_F9 = Key::kF9, VK_F10 = Key::kF10, VK_F11 = Key::kF11, VK_F12 = Key::kF12;

const StringResource kStrings[] = {
    {IDS_TITLE, CORVANE_TITLE},
};

#define MENU_POPUP(text) {MenuEntry::kPopup, text, 0},
#define MENU_ITEM(text, id) {MenuEntry::kItem, text, id},
#define MENU_SEPARATOR() {MenuEntry::kSeparator, nullptr, 0},
#define MENU_END() {MenuEntry::kEndPopup, nullptr, 0},
const MenuEntry kMainMenu[] = {
    CORVANE_MAIN_MENU(MENU_POPUP, MENU_ITEM, MENU_SEPARATOR, MENU_END)
};
#undef MENU_POPUP
#undef MENU_ITEM
#undef MENU_SEPARATOR
#undef MENU_END

const MenuTemplate kMenus[] = {
    {IDR_MAIN_MENU, kMainMenu, std::size(kMainMenu)},
};

#define ACCELERATOR(key, id) {key, id},
const Accelerator kMainAccelerators[] = {
    CORVANE_ACCELERATORS(ACCELERATOR)
};
#undef ACCELERATOR

const AcceleratorTable kAcceleratorTables[] = {
    {IDR_ACCELERATORS, kMainAccelerators, std::size(kMainAccelerators)},
};

}  // namespace

const VersionRecord kVersion = {
    {CORVANE_VERSION_MAJOR, CORVANE_VERSION_MINOR, CORVANE_VERSION_PATCH,
     CORVANE_VERSION_TWEAK},
    {CORVANE_VERSION_MAJOR, CORVANE_VERSION_MINOR, CORVANE_VERSION_PATCH,
     CORVANE_VERSION_TWEAK},
    CORVANE_TITLE,
    CORVANE_DESCRIPTION,
    CORVANE_COPYRIGHT,
};

const platform::Module kCorvaneModule = {
    kStrings, std::size(kStrings), kMenus, std::size(kMenus),
    kAcceleratorTables, std::size(kAcceleratorTables), &kCorvaneIcon, 1,
};
