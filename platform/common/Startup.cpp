// Start-up, shared by every backend: the backend's display first, then GLUT. freeglut's solids
// refuse to draw before glutInit, and on X glutInit opens a display of its own. GLUT is given
// the program's name only: the program has no options, and an argument such as "-display"
// must not reach GLUT, which would act on it.
#include <GL/freeglut.h>

#include "platform/common/Internal.h"

namespace platform {
namespace {

std::string BaseName(const char* path)
{
    std::string name = path && *path ? path : "corvane";
    const size_t slash = name.find_last_of("/\\");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

}  // namespace

SharedState& Shared()
{
    // Never destroyed: backends may still post or look up classes while statics go away.
    static SharedState* state = new SharedState;
    return *state;
}

void Startup(int* argc, char** argv)
{
    SharedState& shared = Shared();
    if (shared.startedUp)
        return;
    shared.programName = BaseName(argc && *argc > 0 && argv ? argv[0] : nullptr);
    BackendStartup();
    char* glutArgv[] = {shared.programName.data(), nullptr};
    int glutArgc = 1;
    glutInit(&glutArgc, glutArgv);
    KeepLoadedLibrariesMapped();
    shared.startedUp = true;
}

}  // namespace platform
