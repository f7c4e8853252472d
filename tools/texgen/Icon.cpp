// The icon, drawn as shapes in unit coordinates (0..1 across, y down) and sampled 6 x 6 times
// per pixel, so every size is drawn afresh rather than scaled. Layers, back to front: a dark
// rounded tile; the beam, a cone of light from the lamp down to the floor made of coloured
// rays; the pool of light on the floor, the beam's stained-glass picture with lead lines; the
// lamp housing tilted along the beam. Lines and the smallest shapes thicken at small sizes so
// that they stay visible.
#include "Icon.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "Noise.h"

namespace {

struct Rgba {
    float r, g, b, a;  // premultiplied by a
};

struct Vec {
    float x, y;
};

Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
Vec operator*(Vec a, float s) { return {a.x * s, a.y * s}; }
float Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
float Cross(Vec a, Vec b) { return a.x * b.y - a.y * b.x; }
float Length(Vec a) { return std::sqrt(Dot(a, a)); }

// The glass colours, the same family as the projected picture's.
const Color kPalette[] = {
    {1.00f, 0.16f, 0.16f},  // ruby
    {1.00f, 0.58f, 0.08f},  // amber
    {1.00f, 0.84f, 0.18f},  // gold
    {0.14f, 0.88f, 0.34f},  // emerald
    {0.12f, 0.80f, 0.82f},  // turquoise
    {0.22f, 0.42f, 1.00f},  // cobalt
    {0.70f, 0.30f, 1.00f},  // violet
};
constexpr int kPaletteSize = int(sizeof kPalette / sizeof kPalette[0]);

const Color kTileTop{0.13f, 0.15f, 0.28f};
const Color kTileBottom{0.05f, 0.06f, 0.13f};
const Color kLead{0.04f, 0.04f, 0.06f};
const Color kMetal{0.62f, 0.65f, 0.72f};
const Color kMetalDark{0.26f, 0.28f, 0.34f};

constexpr float kTileRadius = 0.20f;
const Vec kLamp{0.27f, 0.24f};     // centre of the housing's open end
const Vec kPool{0.58f, 0.76f};     // centre of the pool of light
constexpr float kPoolRadiusX = 0.34f;
constexpr float kPoolRadiusY = 0.13f;
constexpr float kApertureHalf = 0.075f;  // half the width of the housing's open end
// The beam's axis, from the lamp to the pool, and its unit normal.
const Vec kAxis = (kPool - kLamp) * (1.0f / Length(kPool - kLamp));
const Vec kNormal{-kAxis.y, kAxis.x};

// Source-over of premultiplied colours.
Rgba Over(const Rgba& top, const Rgba& below)
{
    const float keep = 1.0f - top.a;
    return {top.r + below.r * keep, top.g + below.g * keep, top.b + below.b * keep,
            top.a + below.a * keep};
}

Rgba Paint(const Color& color, float alpha)
{
    return {color.r * alpha, color.g * alpha, color.b * alpha, alpha};
}

// Signed distance to a rounded square filling the unit square (negative inside).
float TileDistance(Vec p)
{
    const float half = 0.5f - 0.02f;
    const float qx = std::fabs(p.x - 0.5f) - (half - kTileRadius);
    const float qy = std::fabs(p.y - 0.5f) - (half - kTileRadius);
    const float outside = Length({std::max(qx, 0.0f), std::max(qy, 0.0f)});
    return outside + std::min(std::max(qx, qy), 0.0f) - kTileRadius;
}

// Inside the cone between the housing's open end and the pool's left and right ends.
bool InBeam(Vec p, float* across, float* along)
{
    const Vec a1 = kLamp + kNormal * kApertureHalf;
    const Vec a2 = kLamp - kNormal * kApertureHalf;
    const Vec p1{kPool.x - kPoolRadiusX, kPool.y};
    const Vec p2{kPool.x + kPoolRadiusX, kPool.y};
    // The quadrilateral a1, p1, p2, a2 (or its mirror); inside when on one side of each edge.
    const Vec corners[4] = {a1, p1, p2, a2};
    int positive = 0, negative = 0;
    for (int i = 0; i < 4; ++i) {
        const float side = Cross(corners[(i + 1) % 4] - corners[i], p - corners[i]);
        (side >= 0.0f ? positive : negative)++;
    }
    if (positive != 4 && negative != 4)
        return false;
    // Across: 0 on the a1-p1 edge, 1 on the a2-p2 edge, by the direction seen from the cone's
    // apex behind the lamp, where the two edges meet. Along: 0 at the lamp, 1 at the pool.
    const Vec e1 = p1 - a1, e2 = p2 - a2;
    const float s = Cross(a2 - a1, e2) / Cross(e1, e2);
    const Vec apex = a1 + e1 * s;
    const Vec d = p - apex;
    const float toFirst = std::fabs(Cross(p1 - apex, d));
    const float toSecond = std::fabs(Cross(d, p2 - apex));
    *across = toFirst + toSecond > 0.0f ? toFirst / (toFirst + toSecond) : 0.5f;
    *along = std::clamp(Dot(p - kLamp, kAxis) / Dot(kPool - kLamp, kAxis), 0.0f, 1.0f);
    return true;
}

// The stained glass seen in the pool: Voronoi cells in the pool's own round coordinates, the
// outer ring of cells only where there are pixels enough for it. Returns the cell's colour and
// the distance (pool units) to the nearest lead line.
Color GlassCell(Vec q, bool outerRing, float* toLead)
{
    // Seeds: one in the middle, six around it, twelve on the rim.
    Vec seeds[19];
    int index = 0;
    seeds[index++] = {0.0f, 0.0f};
    const float inner = outerRing ? 0.42f : 0.62f;
    for (int i = 0; i < 6; ++i) {
        const float angle = 6.2831853f * (float(i) + 0.25f) / 6.0f;
        seeds[index++] = {inner * std::cos(angle), inner * std::sin(angle)};
    }
    for (int i = 0; outerRing && i < 12; ++i) {
        const float angle = 6.2831853f * float(i) / 12.0f;
        const float r = 0.82f + 0.06f * (Hash01(i, 3, 11u) - 0.5f);
        seeds[index++] = {r * std::cos(angle), r * std::sin(angle)};
    }
    int own = 0;
    float ownSq = 1e30f;
    for (int i = 0; i < index; ++i) {
        const float d = Dot(q - seeds[i], q - seeds[i]);
        if (d < ownSq) {
            own = i;
            ownSq = d;
        }
    }
    float edge = 1e9f;
    for (int i = 0; i < index; ++i) {
        if (i == own)
            continue;
        const float d = Dot(q - seeds[i], q - seeds[i]);
        edge = std::min(edge, (d - ownSq) / (2.0f * Length(seeds[i] - seeds[own])));
    }
    *toLead = std::min(edge, 1.0f - Length(q));  // the rim is lead too
    const int colour = own == 0 ? 2 : (own < 7 ? (own * 3) % kPaletteSize : own % kPaletteSize);
    return kPalette[colour];
}

// The housing: a short, slightly flared tube along the beam's axis, behind its open end.
float HousingDistance(Vec p, float* shade)
{
    const Vec local = p - kLamp;
    const float along = -Dot(local, kAxis);  // 0 at the open end, growing backwards
    const float across = Dot(local, kNormal);
    const float length = 0.15f;
    const float halfWidth = kApertureHalf + 0.012f - 0.025f * std::clamp(along / length, 0.0f, 1.0f);
    const float dAlong = std::max(-along, along - length);
    const float dAcross = std::fabs(across) - halfWidth;
    *shade = 0.5f + 0.5f * across / halfWidth;  // 0 on one side, 1 on the other
    const float outside = Length({std::max(dAlong, 0.0f), std::max(dAcross, 0.0f)});
    return outside + std::min(std::max(dAlong, dAcross), 0.0f) - 0.012f;  // rounded corners
}

Rgba Sample(Vec p, float pixel)
{
    if (TileDistance(p) >= 0.0f)
        return {0, 0, 0, 0};
    Rgba out = Paint(Mix(kTileTop, kTileBottom, p.y), 1.0f);

    float across = 0.0f, along = 0.0f;
    if (InBeam(p, &across, &along)) {
        // Rays: bands across the beam, each one glass colour, brighter towards the floor.
        const int rays[] = {0, 2, 3, 5, 6};
        const int band = std::min(int(across * 5.0f), 4);
        out = Over(Paint(kPalette[rays[band]], 0.22f + 0.36f * along), out);
    }

    const Vec q{(p.x - kPool.x) / kPoolRadiusX, (p.y - kPool.y) / kPoolRadiusY};
    const float radius = Length(q);
    if (radius < 1.0f) {
        float toLead = 0.0f;
        const Color glass = GlassCell(q, pixel < 1.0f / 64.0f, &toLead);
        // Lead lines one and a half pixels wide at least, whatever the size.
        const float leadHalf = std::max(0.045f, 0.75f * pixel / kPoolRadiusY);
        const float lead = 1.0f - std::clamp((toLead - leadHalf) / (pixel / kPoolRadiusY) + 0.5f,
                                             0.0f, 1.0f);
        const float glow = 0.82f + 0.18f * (1.0f - radius);
        out = Over(Paint(Mix(Scale(glass, glow), kLead, lead), 0.97f), out);
    }

    float shade = 0.0f;
    if (HousingDistance(p, &shade) < 0.0f)
        out = Over(Paint(Mix(kMetalDark, kMetal, shade), 1.0f), out);
    // The lit rim of the open end.
    const float rimAlong = std::fabs(Dot(p - kLamp, kAxis));
    const float rimAcross = std::fabs(Dot(p - kLamp, kNormal));
    if (rimAlong < std::max(0.012f, 0.6f * pixel) && rimAcross < kApertureHalf + 0.012f)
        out = Over(Paint({1.0f, 0.95f, 0.78f}, 1.0f), out);
    return out;
}

}  // namespace

std::vector<uint8_t> PaintIcon(int size)
{
    constexpr int kSubsamples = 6;
    const float pixel = 1.0f / float(size);
    std::vector<uint8_t> rgba(size_t(size) * size * 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            Rgba sum{0, 0, 0, 0};
            for (int sy = 0; sy < kSubsamples; ++sy)
                for (int sx = 0; sx < kSubsamples; ++sx) {
                    const Vec p{(float(x) + (float(sx) + 0.5f) / kSubsamples) * pixel,
                                (float(y) + (float(sy) + 0.5f) / kSubsamples) * pixel};
                    const Rgba s = Sample(p, pixel);
                    sum = {sum.r + s.r, sum.g + s.g, sum.b + s.b, sum.a + s.a};
                }
            const float n = float(kSubsamples * kSubsamples);
            const float alpha = sum.a / n;
            uint8_t* out = &rgba[(size_t(y) * size + x) * 4];
            // Back to straight alpha, as PNG and the icon file store it.
            out[0] = alpha > 0.0f ? ToByte(sum.r / n / alpha) : 0;
            out[1] = alpha > 0.0f ? ToByte(sum.g / n / alpha) : 0;
            out[2] = alpha > 0.0f ? ToByte(sum.b / n / alpha) : 0;
            out[3] = ToByte(alpha);
        }
    return rgba;
}
