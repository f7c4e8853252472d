// Keeps every shared library loaded so far mapped until the process ends. glutInit probes GLX
// on an X connection of its own, which loads the GL driver (libGLX_mesa, swrast_dri and their
// dependencies); at exit GLUT closes that connection from an atexit handler, and the driver is
// unloaded before leak checkers run their own exit handlers. Whatever the driver keeps for the
// life of the process then belongs to no known module, so it cannot be told from a leak of
// ours. Pinned, the driver stays where its allocations can be named.
#include <dlfcn.h>
#include <link.h>

#include <cstddef>

#include "platform/common/Backend.h"

namespace platform {

void KeepLoadedLibrariesMapped()
{
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) {
            // The main program and the vDSO have no file name to open again.
            if (info->dlpi_name && info->dlpi_name[0]) {
                // Takes one more reference, never released; RTLD_NODELETE keeps the library
                // mapped even after every other reference is gone.
                dlopen(info->dlpi_name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
            }
            return 0;
        },
        nullptr);
}

}  // namespace platform
