// The demo's entry point in a web browser. The page passes its URL parameters as options of
// the same names and meaning as corvane-snapshot's (size, frames, step-ms, command, key);
// given any, the program runs that script and keeps its last frame on the canvas, else it is
// the interactive demo. The end of the program, by Exit or a failure, ends the page's run.
#include <cstdio>
#include <string>

#include "app/Application.h"
#include "app/Resources.h"
#include "platform/Platform.h"
#include "platform/web/Web.h"
#include "tools/snapshot/SnapshotOptions.h"

int main(int argc, char** argv)
{
    if (argc > 1) {
        SnapshotOptions options;
        std::string error;
        if (!ParseSnapshotOptions(argc, argv, &options, &error)) {
            std::fprintf(stderr, "corvane: %s\n", error.c_str());
            platform::ExitProcess(2);
        }
        platform::web::Script script;
        script.width = options.width;
        script.height = options.height;
        script.frames = options.frames;
        script.stepMs = uint32_t(options.stepMs);
        for (const SnapshotCommand& command : options.commands)
            script.inputs.push_back({command.frame, 0, true, command.id});
        for (const SnapshotKeyHold& hold : options.keys)
            script.inputs.push_back({hold.from, hold.to, false, unsigned(hold.key)});
        platform::web::UseScript(script);
    }
    platform::Startup(&argc, argv);
    platform::ExitProcess(CorvaneMain(&kCorvaneModule));
}
