// Reading a buffer back into client memory, top row first, for the snapshot tool, the pass
// recorder and the picture tests.
#include <GL/gl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
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
    for (int top = 0, bottom = h - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(&pixels[size_t(top) * row], &pixels[size_t(top + 1) * row],
                         &pixels[size_t(bottom) * row]);
    return pixels;
}

}  // namespace platform::offscreen
