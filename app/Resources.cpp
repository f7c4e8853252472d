// Resource tables: the menu bar, the accelerator table, the string table and the version.
#include "app/Resources.h"

#include <iterator>

namespace {

using platform::Accelerator;
using platform::AcceleratorTable;
using platform::Key;
using platform::MenuEntry;
using platform::MenuTemplate;
using platform::StringResource;

const StringResource kStrings[] = {
    {kTitleString, "Corvane"},
};

const MenuEntry kMainMenu[] = {
    {MenuEntry::kPopup, "File", 0},
    {MenuEntry::kItem, "About...", kCommandAbout},
    {MenuEntry::kSeparator, nullptr, 0},
    {MenuEntry::kItem, "&Pause \tPause", kCommandPause},
    {MenuEntry::kItem, "&Single Step \tSpace", kCommandSingleStep},
    {MenuEntry::kSeparator, nullptr, 0},
    {MenuEntry::kItem, "&Exit \tEsc", kCommandExit},
    {MenuEntry::kEndPopup, nullptr, 0},
    {MenuEntry::kPopup, "Options", 0},
    {MenuEntry::kPopup, "Object", 0},
    {MenuEntry::kItem, "Change Shape \tF1", kCommandChangeShape},
    {MenuEntry::kItem, "Rotate \tF2", kCommandRotate},
    {MenuEntry::kEndPopup, nullptr, 0},
    {MenuEntry::kSeparator, nullptr, 0},
    {MenuEntry::kPopup, "Spot Light 1", 0},
    {MenuEntry::kItem, "Enabled \tF5", kCommandLight1Enabled},
    {MenuEntry::kItem, "Stained Glass \tF6", kCommandLight1Glass},
    {MenuEntry::kItem, "Move \tF7", kCommandLight1Move},
    {MenuEntry::kEndPopup, nullptr, 0},
    {MenuEntry::kPopup, "Spot Light 2", 0},
    {MenuEntry::kItem, "Enabled \tF9", kCommandLight2Enabled},
    {MenuEntry::kItem, "Stained Glass \tF10", kCommandLight2Glass},
    {MenuEntry::kItem, "Move \tF11", kCommandLight2Move},
    {MenuEntry::kEndPopup, nullptr, 0},
    {MenuEntry::kSeparator, nullptr, 0},
    {MenuEntry::kItem, "Shadow \tF3", kCommandShadow},
    {MenuEntry::kEndPopup, nullptr, 0},
};

const MenuTemplate kMenus[] = {
    {kMenuResource, kMainMenu, std::size(kMainMenu)},
};

// Virtual-key accelerators without modifiers; none highlights the menu.
const Accelerator kMainAccelerators[] = {
    {Key::kEscape, kCommandExit},
    {Key::kF1, kCommandChangeShape},
    {Key::kF10, kCommandLight2Glass},
    {Key::kF11, kCommandLight2Move},
    {Key::kF2, kCommandRotate},
    {Key::kF3, kCommandShadow},
    {Key::kF5, kCommandLight1Enabled},
    {Key::kF6, kCommandLight1Glass},
    {Key::kF7, kCommandLight1Move},
    {Key::kF9, kCommandLight2Enabled},
    {Key::kPause, kCommandPause},
    {Key::kSpace, kCommandSingleStep},
};

const AcceleratorTable kAcceleratorTables[] = {
    {kAcceleratorResource, kMainAccelerators, std::size(kMainAccelerators)},
};

}  // namespace

const VersionRecord kVersion = {
    {1, 0, 1, 0},
    {1, 0, 1, 0},
    "Corvane",
    "Real-time OpenGL demo: projected stained-glass spot lights and stencil shadows",
    "Copyright (c) 2026 the Corvane developers",
};

const platform::Module kCorvaneModule = {
    kStrings, std::size(kStrings), kMenus, std::size(kMenus),
    kAcceleratorTables, std::size(kAcceleratorTables),
};
