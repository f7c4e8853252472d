// The program's resources: the title string, the menu bar (101), the accelerator table
// (103), the command ids they carry and the version record.
#pragma once

#include "platform/Platform.h"

inline constexpr unsigned kTitleString = 1;
inline constexpr unsigned kMenuResource = 101;
inline constexpr unsigned kAcceleratorResource = 103;

enum CommandId : unsigned {
    kCommandAbout = 40001,
    kCommandPause = 40002,
    kCommandSingleStep = 40003,
    kCommandExit = 40004,
    kCommandChangeShape = 40005,
    kCommandRotate = 40006,
    kCommandLight1Enabled = 40007,
    kCommandLight1Glass = 40008,
    kCommandLight1Move = 40009,
    kCommandLight2Enabled = 40010,
    kCommandLight2Glass = 40011,
    kCommandLight2Move = 40012,
    kCommandShadow = 40013,
};

// File and product version 1.0.1.0.
struct VersionRecord {
    unsigned fileVersion[4];
    unsigned productVersion[4];
    const char* productName;
    const char* fileDescription;
    const char* legalCopyright;
};

extern const VersionRecord kVersion;

// The module handed to the entry point: strings, menus and accelerator tables by id.
extern const platform::Module kCorvaneModule;
