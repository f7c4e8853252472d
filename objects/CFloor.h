// CFloor: the 120 x 120 textured ground in the plane z = 0, a 16 x 16 grid of triangle
// strips with texture coordinates that repeat the floor picture five times per side.
#pragma once

#include "objects/CDrawable.h"

class CFloor : public CDrawable {
public:
    explicit CFloor(Scene* scene);
    void DrawGeometry() override;

    static constexpr float kHalfSize = 60.0f;  // world units from the centre to an edge
    static constexpr int kCells = 16;          // cells per side; lit at the 17 x 17 corners
};
