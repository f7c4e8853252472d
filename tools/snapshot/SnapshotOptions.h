// Command line of corvane-snapshot: what to run headless and what to write.
#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"

struct SnapshotCommand {
    unsigned id;  // menu command id, 0..65535
    int frame;    // delivered before this idle frame (0-based, below the frame count)
};

struct SnapshotKeyHold {
    platform::Key key;
    int from;  // first idle frame held
    int to;    // first idle frame released
};

struct SnapshotOptions {
    std::string assets = ".";
    bool assetsGiven = false;  // --assets was given
    int width = 640;
    int height = 480;
    int frames = 1;
    int stepMs = 16;
    std::vector<SnapshotCommand> commands;
    std::vector<SnapshotKeyHold> keys;
    int colorBits = 32;
    int stencilBits = 8;
    bool answerYes = true;
    std::string out;  // not empty when given
    bool bench = false;
    bool help = false;  // --help: print the usage, run nothing
    bool fullExtent = false;  // spot-light passes not limited to what their cones reach
    std::string passes;  // --passes DIR, not empty when given
};

// Parses argv; false with a reason in *error for anything malformed or out of range, or a
// command scheduled after the last frame. Stops at --help.
bool ParseSnapshotOptions(int argc, char** argv, SnapshotOptions* options, std::string* error);

extern const char kSnapshotUsage[];
