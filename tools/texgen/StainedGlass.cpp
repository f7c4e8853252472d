// Stained glass as a Voronoi pattern on a torus: every pixel takes the colour of its nearest
// seed (distances wrap around the canvas edges), and pixels close to the boundary between two
// cells (the perpendicular bisector of their seeds) become lead. Each window is a ring of lead
// whose cells only compete with seeds inside the same window; the cells between the windows
// compete among themselves. Sizes are fractions of the canvas side; widths are in pixels of a
// 256-pixel canvas and scale with it.
#include "StainedGlass.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Noise.h"

namespace {

const Color kGold{1.00f, 0.82f, 0.15f};
const Color kRuby{1.00f, 0.14f, 0.14f};
const Color kAmber{1.00f, 0.58f, 0.08f};
const Color kCobalt{0.18f, 0.38f, 1.00f};
const Color kEmerald{0.12f, 0.90f, 0.30f};
const Color kViolet{0.72f, 0.28f, 1.00f};
const Color kSky{0.30f, 0.72f, 1.00f};
const Color kTurquoise{0.10f, 0.82f, 0.80f};
const Color kLead{0.05f, 0.05f, 0.06f};

constexpr float kPi = 3.14159265f;
constexpr float kRimRadius = 0.33f;      // of the side: each window's lead ring
constexpr float kLeadHalfWidth = 1.8f;   // pixels, between cells
constexpr float kRimHalfWidth = 2.6f;    // pixels, the ring around a window

enum Region { kBetween = -1, kMiddleWindow = 0, kCornerWindow = 1 };

struct Seed {
    float x, y;  // pixels
    Color color;
    int region;
};

struct Window {
    float x, y;                   // centre, pixels
    Color centre;                 // the middle cell
    Color inner;                  // the six cells around it
    Color outerA, outerB;         // the twelve cells of the outer ring, alternating
};

// The shortest offset from a to b on a circle of length `period`.
float Wrapped(float a, float b, float period)
{
    float d = b - a;
    d -= period * std::round(d / period);
    return d;
}

std::vector<Seed> Seeds(const Window (&windows)[2], float size)
{
    std::vector<Seed> seeds;
    uint32_t index = 0;
    const auto jitter = [&](float scale) {
        ++index;
        return (Hash01(int32_t(index), 0, 41u) - 0.5f) * scale;
    };
    // A ring of COUNT seeds around window W, the first at TURN of a step past angle 0.
    const auto ring = [&](int w, int count, float turn, float r, float wobble, Color a, Color b) {
        for (int i = 0; i < count; ++i) {
            const float angle = 2.0f * kPi * (float(i) + turn) / float(count);
            seeds.push_back({windows[w].x + std::cos(angle) * r + jitter(wobble),
                             windows[w].y + std::sin(angle) * r + jitter(wobble),
                             i % 2 == 0 ? a : b, w});
        }
    };
    for (int w = 0; w < 2; ++w) {
        seeds.push_back({windows[w].x, windows[w].y, windows[w].centre, w});
        ring(w, 6, 0.0f, 0.11f * size, 0.01f * size, windows[w].inner, windows[w].inner);
        ring(w, 12, 0.5f, 0.235f * size, 0.012f * size, windows[w].outerA, windows[w].outerB);
    }
    // Between the windows: a small flower around each edge midpoint (and, by wrapping, the
    // opposite edge's): an amber heart with four petals.
    const float midpoints[2][2] = {{0.5f, 0.0f}, {0.0f, 0.5f}};
    for (const auto& m : midpoints) {
        const float cx = m[0] * size;
        const float cy = m[1] * size;
        seeds.push_back({cx, cy, kAmber, kBetween});
        const float petal = 0.09f * size;
        seeds.push_back({cx + petal, cy, kSky, kBetween});
        seeds.push_back({cx - petal, cy, kSky, kBetween});
        seeds.push_back({cx, cy + petal, kTurquoise, kBetween});
        seeds.push_back({cx, cy - petal, kTurquoise, kBetween});
    }
    return seeds;
}

// The nearest seed of REGION to the pixel (px, py) and the distance from the pixel to the
// boundary of that seed's cell: to each bisector between it and another seed of the region.
float CellEdge(const std::vector<Seed>& seeds, int region, float px, float py, float size,
               size_t* owner)
{
    std::vector<size_t> members;  // indices into seeds
    std::vector<float> dx, dy;
    size_t own = 0;                // index into members
    float ownSq = 1e30f;
    for (size_t i = 0; i < seeds.size(); ++i) {
        if (seeds[i].region != region)
            continue;
        members.push_back(i);
        dx.push_back(Wrapped(px, seeds[i].x, size));
        dy.push_back(Wrapped(py, seeds[i].y, size));
        const float d = dx.back() * dx.back() + dy.back() * dy.back();
        if (d < ownSq) {
            own = dx.size() - 1;
            ownSq = d;
        }
    }
    float cellEdge = 1e9f;
    for (size_t i = 0; i < dx.size(); ++i) {
        if (i == own)
            continue;
        const float d = dx[i] * dx[i] + dy[i] * dy[i];
        const float apart = std::hypot(dx[i] - dx[own], dy[i] - dy[own]);
        cellEdge = std::min(cellEdge, (d - ownSq) / (2.0f * apart));
    }
    *owner = members[own];
    return cellEdge;
}

}  // namespace

void PaintStainedGlass(Canvas& canvas)
{
    const float size = float(canvas.Width());
    const float scale = size / 256.0f;
    const Window windows[2] = {
        {0.5f * size, 0.5f * size, kGold, kRuby, kCobalt, kEmerald},
        {0.0f, 0.0f, kRuby, kGold, kViolet, kCobalt},
    };
    const std::vector<Seed> seeds = Seeds(windows, size);
    const float rim = kRimRadius * size;

    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            const float px = float(x) + 0.5f;
            const float py = float(y) + 0.5f;
            // Which window the pixel lies in, and how far it is from the nearer lead ring.
            int region = kBetween;
            float toRim = 1e9f;
            for (int w = 0; w < 2; ++w) {
                const float d = std::hypot(Wrapped(windows[w].x, px, size),
                                           Wrapped(windows[w].y, py, size));
                if (d < rim)
                    region = w;
                toRim = std::min(toRim, std::fabs(d - rim));
            }
            // The nearest seed of the region owns the pixel.
            size_t owner = 0;
            const float cellEdge = CellEdge(seeds, region, px, py, size, &owner);
            // Distance to the nearest lead, negative inside it.
            const float toLead = std::min(cellEdge - kLeadHalfWidth * scale,
                                          toRim - kRimHalfWidth * scale);

            // Glass: brighter towards the middle of the cell, with a faint ripple.
            const float ripple = FractalNoise(px / 32.0f, py / 32.0f, 8, 8, 3, 97u);
            const float glow = 0.86f + 0.14f * SmoothStep(0.0f, 12.0f * scale, toLead);
            const Color glass = Scale(seeds[owner].color, glow * (0.94f + 0.12f * ripple));
            // Lead with a soft edge one pixel wide.
            const float lead = 1.0f - SmoothStep(-0.5f, 0.5f, toLead);
            canvas.Set(x, y, Mix(glass, kLead, lead));
        }
    }
}
