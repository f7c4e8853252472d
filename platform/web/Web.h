// Control of the web backend by the web build's main: the scripted mode that the page's URL
// parameters ask for. Scripted, the canvas has the given size, the clock starts at 1000 ms and
// advances by the step before each idle frame but the first, commands and key holds arrive by
// idle frame, the page's own input is ignored, and after the last frame the canvas keeps it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Platform.h"

namespace platform::web {

struct Script {
    int width = 640, height = 480;  // canvas pixels
    int frames = 1;                 // idle frames drawn; the last one stays on the canvas
    uint32_t stepMs = 16;
    struct Input {
        int frame;     // commands: delivered before this idle frame; keys: held from it
        int to;        // keys: first idle frame released
        bool command;  // else a key hold
        unsigned value;  // command id or Key
    };
    std::vector<Input> inputs;
};

// Before Startup: run the given script instead of the interactive demo.
void UseScript(const Script& script);

}  // namespace platform::web
