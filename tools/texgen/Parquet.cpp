// Parquet: 128-pixel blocks of four 32-pixel strips (the floor repeats the picture often, so
// large blocks keep the weave readable from afar); a block's strips run vertically when its
// column and row have the same parity, horizontally otherwise.
#include "Parquet.h"

#include <algorithm>
#include <cstdint>

#include "Noise.h"
#include "Wood.h"

namespace {

constexpr int kBlock = 128;  // pixels per block side
constexpr int kStrips = 4;   // strips per block
constexpr int kStrip = kBlock / kStrips;
const Color kGap{0.22f, 0.14f, 0.08f};

}  // namespace

void PaintParquet(Canvas& canvas)
{
    const WoodStyle oak{{0.78f, 0.58f, 0.36f}, {0.54f, 0.35f, 0.19f}, 9, 1.6f};
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            const int bx = x / kBlock;
            const int by = y / kBlock;
            const bool vertical = (bx + by) % 2 == 0;
            // along: position along the strip; across: position across it (pixels).
            const int along = vertical ? y % kBlock : x % kBlock;
            const int acrossInBlock = vertical ? x % kBlock : y % kBlock;
            const int strip = acrossInBlock / kStrip;
            const int across = acrossInBlock % kStrip;
            if (along == 0 || across == 0) {
                canvas.Set(x, y, kGap);
                continue;
            }
            const uint32_t stripSeed = uint32_t((by * 16 + bx) * kStrips + strip) * 7919u + 3u;
            const float u = Hash01(bx, by * 8 + strip, 11u) + float(across) / float(kBlock * 2);
            const float v = Hash01(bx, by * 8 + strip, 23u) + float(along) / float(kBlock * 4);
            Color color = WoodGrain(u, v, oak, stripSeed);
            // Each strip has its own shade; the edges are rounded off a little.
            const float shade = 0.88f + 0.18f * Hash01(bx, by * 8 + strip, 5u);
            const int edge = std::min({along, kBlock - along, across, kStrip - across});
            const float bevel = edge >= 3 ? 1.0f : 0.88f + 0.04f * float(edge);
            color = Scale(color, shade * bevel);
            canvas.Set(x, y, color);
        }
    }
}
