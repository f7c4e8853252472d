// The wood picture: a warm mid-brown board; its grain repeats across the canvas edges.
#include "Wood.h"

#include <cmath>

#include "Noise.h"

Color WoodGrain(float u, float v, const WoodStyle& style, uint32_t seed)
{
    const float bend = FractalNoise(u * 2.0f, v * 1.0f, 2, 1, 5, seed) - 0.5f;
    const float rings = u * float(style.rings) + bend * style.warp;
    const float r = rings - std::floor(rings);  // 0..1 through one year's growth
    // Early wood lightens slowly, late wood darkens quickly and ends sharply.
    const float band = SmoothStep(0.55f, 0.92f, r) * (1.0f - SmoothStep(0.94f, 1.0f, r));
    // Some years grew darker than others.
    const float year = 0.55f + 0.45f * Hash01(int32_t(std::floor(rings)), 0, seed + 53u);
    // Fibres: fine in u, long in v.
    const float fibre = FractalNoise(u * 96.0f, v * 3.0f, 96, 3, 3, seed + 17u);
    const float tone = FractalNoise(u * 2.0f, v * 2.0f, 2, 2, 2, seed + 31u);
    const Color base = Mix(style.light, style.dark, band * year);
    return Scale(base, (0.86f + 0.26f * fibre) * (0.92f + 0.16f * tone));
}

void PaintWood(Canvas& canvas)
{
    const WoodStyle style{{0.78f, 0.52f, 0.30f}, {0.40f, 0.21f, 0.10f}, 15, 3.0f};
    const float w = float(canvas.Width());
    const float h = float(canvas.Height());
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            canvas.Set(x, y, WoodGrain((float(x) + 0.5f) / w, (float(y) + 0.5f) / h, style, 7u));
}
