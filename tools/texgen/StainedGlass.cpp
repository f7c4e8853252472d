// Stained glass as a Voronoi pattern: every pixel takes the colour of its nearest seed, and
// pixels close to the boundary between two cells (the perpendicular bisector of their seeds)
// become lead. Distances are in pixels of a 256-pixel canvas and scale with the canvas.
#include "StainedGlass.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "Noise.h"

namespace {

struct Seed {
    float x, y;  // pixels
    Color color;
};

const Color kGold{1.00f, 0.80f, 0.12f};
const Color kRuby{0.92f, 0.07f, 0.10f};
const Color kAmber{1.00f, 0.50f, 0.04f};
const Color kCobalt{0.10f, 0.24f, 0.98f};
const Color kEmerald{0.04f, 0.78f, 0.22f};
const Color kViolet{0.58f, 0.14f, 0.90f};
const Color kSky{0.18f, 0.62f, 1.00f};
const Color kTurquoise{0.04f, 0.76f, 0.78f};
const Color kLead{0.05f, 0.05f, 0.06f};

constexpr float kPi = 3.14159265f;
constexpr float kLeadHalfWidth = 1.8f;    // pixels, between cells
constexpr float kRimRadius = 0.48f;       // of the canvas size: the lead circle
constexpr float kRimHalfWidth = 2.6f;     // pixels
constexpr float kFrameWidth = 4.0f;       // pixels of lead around the panel

float SmoothStep(float edge0, float edge1, float x)
{
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// Rings of seeds around the centre, each ring cycling through its colours; a little jitter
// keeps the cells from looking machine-cut.
std::vector<Seed> RoseSeeds(float size)
{
    struct Ring {
        int count;
        float radius;       // of the canvas size
        float phase;        // of one step
        std::vector<Color> colors;
    };
    const Ring rings[] = {
        {1, 0.0f, 0.0f, {kGold}},
        {6, 0.13f, 0.0f, {kRuby}},
        {12, 0.27f, 0.5f, {kCobalt, kEmerald}},
        {18, 0.41f, 0.0f, {kViolet, kAmber, kRuby}},
    };
    std::vector<Seed> seeds;
    const float centre = size * 0.5f;
    uint32_t index = 0;
    for (const Ring& ring : rings) {
        for (int i = 0; i < ring.count; ++i, ++index) {
            const float angle = 2.0f * kPi * (float(i) + ring.phase) / float(ring.count);
            const float jitter = ring.radius > 0.0f ? 0.012f * size : 0.0f;
            const float jx = (Hash01(int32_t(index), 0, 41u) - 0.5f) * jitter;
            const float jy = (Hash01(int32_t(index), 1, 41u) - 0.5f) * jitter;
            seeds.push_back({centre + std::cos(angle) * ring.radius * size + jx,
                             centre + std::sin(angle) * ring.radius * size + jy,
                             ring.colors[size_t(i) % ring.colors.size()]});
        }
    }
    // Corners, outside the rim: three cells each.
    const float corner[3][2] = {{0.05f, 0.05f}, {0.17f, 0.03f}, {0.03f, 0.17f}};
    for (int c = 0; c < 4; ++c) {
        for (int k = 0; k < 3; ++k) {
            const float fx = (c & 1) ? 1.0f - corner[k][0] : corner[k][0];
            const float fy = (c & 2) ? 1.0f - corner[k][1] : corner[k][1];
            const Color& color = k == 0 ? kSky : (k == 1 ? kCobalt : kTurquoise);
            seeds.push_back({fx * size, fy * size, color});
        }
    }
    return seeds;
}

}  // namespace

void PaintStainedGlass(Canvas& canvas)
{
    const float size = float(std::min(canvas.Width(), canvas.Height()));
    const float scale = size / 256.0f;  // the widths above are for a 256-pixel canvas
    const std::vector<Seed> seeds = RoseSeeds(size);
    const float centre = size * 0.5f;
    const float rim = kRimRadius * size;
    std::vector<bool> seedInside;  // the rim parts the window from the corners
    for (const Seed& seed : seeds)
        seedInside.push_back(std::hypot(seed.x - centre, seed.y - centre) < rim);
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            const float px = float(x) + 0.5f;
            const float py = float(y) + 0.5f;
            const float fromCentre = std::hypot(px - centre, py - centre);
            const bool inside = fromCentre < rim;
            // Nearest seed on the same side of the rim, then the distance to its cell edge.
            size_t nearest = seeds.size();
            float nearestSq = 0.0f;
            for (size_t i = 0; i < seeds.size(); ++i) {
                if (seedInside[i] != inside)
                    continue;
                const float d = (px - seeds[i].x) * (px - seeds[i].x) +
                                (py - seeds[i].y) * (py - seeds[i].y);
                if (nearest == seeds.size() || d < nearestSq) {
                    nearest = i;
                    nearestSq = d;
                }
            }
            // Distance to the nearest lead, negative inside it: the cell's own boundary,
            // the rim circle and the frame, each with its half width.
            float cellEdge = 1e9f;
            const Seed& own = seeds[nearest];
            for (size_t i = 0; i < seeds.size(); ++i) {
                if (i == nearest || seedInside[i] != inside)
                    continue;
                const float sx = seeds[i].x - own.x;
                const float sy = seeds[i].y - own.y;
                const float d = (px - seeds[i].x) * (px - seeds[i].x) +
                                (py - seeds[i].y) * (py - seeds[i].y);
                cellEdge = std::min(cellEdge, (d - nearestSq) / (2.0f * std::hypot(sx, sy)));
            }
            const float toFrame = std::min({px, py, float(canvas.Width()) - px,
                                            float(canvas.Height()) - py});
            const float toLead = std::min({cellEdge - kLeadHalfWidth * scale,
                                           std::fabs(fromCentre - rim) - kRimHalfWidth * scale,
                                           toFrame - kFrameWidth * scale});

            // Glass: brighter towards the middle of the cell, with a faint ripple.
            const float ripple = FractalNoise(px / 32.0f, py / 32.0f, 8, 8, 3, 97u);
            const float glow = 0.78f + 0.22f * SmoothStep(0.0f, 12.0f * scale, toLead);
            const Color glass = Scale(own.color, glow * (0.90f + 0.18f * ripple));
            // Lead with a soft edge one pixel wide.
            const float lead = 1.0f - SmoothStep(-0.5f, 0.5f, toLead);
            canvas.Set(x, y, Mix(glass, kLead, lead));
        }
    }
}
