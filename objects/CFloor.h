// CFloor: the 120 x 120 textured ground in the plane z = 0, a 16 x 16 grid of triangle
// strips with texture coordinates that repeat the floor picture five times per side. Each
// strip also has a list of its own, so that a pass can draw only the rows it reaches.
#pragma once

#include "objects/CDrawable.h"

class CFloor : public CDrawable {
public:
    explicit CFloor(Scene* scene);
    ~CFloor() override;  // deletes the strip lists

    void Update() override;  // the strip lists, then the base lists and the inverse
    void DrawGeometry() override;
    // The strip of row `row` (0 at y = -60, kCells - 1 at y = +52.5) under the model matrix.
    void RenderStrip(int row);

    static constexpr float kHalfSize = 60.0f;  // world units from the centre to an edge
    static constexpr int kCells = 16;          // cells per side; lit at the 17 x 17 corners

    GLuint stripLists = 0;  // kCells consecutive lists, one per row; 0: none

private:
    void DrawStrip(float v);  // v: the row's lower edge in the unit square, -1 to 0.875
};
