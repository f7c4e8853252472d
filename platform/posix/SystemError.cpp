// The last recorded failure of a platform call and its text. Codes below 0x10000 are errno
// values; the backends record their own codes from kPlatformErrorBase up.
#include <cstdlib>
#include <cstring>

#include "platform/Platform.h"
#include "platform/common/Internal.h"

namespace platform {

namespace {
unsigned g_lastError = 0;
}

void RecordLastError(unsigned code) { g_lastError = code; }

unsigned LastErrorCode() { return g_lastError; }

char* SystemErrorText(unsigned code)
{
    const char* text = "";
    if (code >= kBackendErrorBase) {
        if (const char* own = BackendErrorText(code))
            text = own;
    } else if (code != 0) {
        // glibc answers "Unknown error N" for codes it has no text for; that is no text.
        const char* described = std::strerror(int(code));
        if (described && std::strncmp(described, "Unknown error", 13) != 0)
            text = described;
    }
    return strdup(text);
}

void FreeSystemErrorText(char* text) { std::free(text); }

}  // namespace platform
