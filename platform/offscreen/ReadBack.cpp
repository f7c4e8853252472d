// Reading a buffer back into client memory, top row first, for the snapshot tool, the pass
// recorder and the picture tests.
#include <GL/gl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/offscreen/Offscreen.h"

namespace platform::offscreen {

std::vector<uint8_t> ReadPixelsTopDown(unsigned format, int channels, int width, int height)
{
    const int w = std::max(1, width), h = std::max(1, height);
    const size_t row = size_t(w) * size_t(channels);
    std::vector<uint8_t> pixels(row * size_t(h));
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // Into client memory: returns only once the frame's commands have completed.
    glReadPixels(0, 0, w, h, GLenum(format), GL_UNSIGNED_BYTE, pixels.data());
    glPopClientAttrib();
    // GL's rows run bottom up: flipped in place, so a full-size picture is held only once.
    std::vector<uint8_t> spare(row);
    for (int top = 0, bottom = h - 1; top < bottom; ++top, --bottom) {
        uint8_t* upper = &pixels[size_t(top) * row];
        uint8_t* lower = &pixels[size_t(bottom) * row];
        std::memcpy(spare.data(), upper, row);
        std::memcpy(upper, lower, row);
        std::memcpy(lower, spare.data(), row);
    }
    return pixels;
}

}  // namespace platform::offscreen
