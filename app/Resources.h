// The program's resources: the title string, the menu bar (101), the accelerator table (103),
// the icon, the command ids they carry and the version record. The tables themselves are
// written once, in app/ResourceTables.h.
#pragma once

#include "app/ResourceTables.h"
#include "platform/Platform.h"

inline constexpr unsigned kTitleString = IDS_TITLE;
inline constexpr unsigned kMenuResource = IDR_MAIN_MENU;
inline constexpr unsigned kAcceleratorResource = IDR_ACCELERATORS;
inline constexpr unsigned kIconResource = IDI_CORVANE;

enum CommandId : unsigned {
    kCommandAbout = IDM_ABOUT,
    kCommandPause = IDM_PAUSE,
    kCommandSingleStep = IDM_SINGLE_STEP,
    kCommandExit = IDM_EXIT,
    kCommandChangeShape = IDM_CHANGE_SHAPE,
    kCommandRotate = IDM_ROTATE,
    kCommandLight1Enabled = IDM_LIGHT1_ENABLED,
    kCommandLight1Glass = IDM_LIGHT1_GLASS,
    kCommandLight1Move = IDM_LIGHT1_MOVE,
    kCommandLight2Enabled = IDM_LIGHT2_ENABLED,
    kCommandLight2Glass = IDM_LIGHT2_GLASS,
    kCommandLight2Move = IDM_LIGHT2_MOVE,
    kCommandShadow = IDM_SHADOW,
};

// File and product version: the build's project version (1.0.1.0).
struct VersionRecord {
    unsigned fileVersion[4];
    unsigned productVersion[4];
    const char* productName;
    const char* fileDescription;
    const char* legalCopyright;
};

extern const VersionRecord kVersion;

// The module handed to the entry point: strings, menus, accelerator tables and the icon by id.
extern const platform::Module kCorvaneModule;
