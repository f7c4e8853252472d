// The last recorded failure of a platform call and its text, for the Linux backends. Codes
// below kPlatformErrorBase are errno values; from there up they are the platform's own.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/common/Backend.h"

namespace platform {

namespace {
unsigned g_lastError = 0;
}

void RecordLastError(unsigned code) { g_lastError = code; }

unsigned LastErrorCode() { return g_lastError; }

char* SystemErrorText(unsigned code)
{
    const char* text = "";
    if (code >= kPlatformErrorBase) {
        if (const char* own = PlatformErrorText(code))
            text = own;
    } else if (code != 0) {
        // glibc answers "Unknown error N" for codes it has no text for; that is no text.
        const char* described = std::strerror(int(code));
        if (described && std::strncmp(described, "Unknown error", 13) != 0)
            text = described;
    }
    // Like Win32's FormatMessageA, a code without a text is a failure of this call, recorded
    // over the code asked about: callers take the code before they ask for its text.
    if (text[0] == '\0')
        RecordLastError(EINVAL);
    return strdup(text);
}

void FreeSystemErrorText(char* text) { std::free(text); }

}  // namespace platform
