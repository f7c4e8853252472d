// CShape: the floating solid, switchable between a torus, a sphere and a capped cylinder
// (GLUT solids and GLU quadrics), wood-textured.
#pragma once

#include "objects/CDrawable.h"

class CShape : public CDrawable {
public:
    explicit CShape(Scene* scene);
    void Update() override;
    void DrawGeometry() override;
    // Next form (torus -> sphere -> capped cylinder -> torus); recompiles both lists.
    void ChangeShape();

    int shapeIndex = 0;  // 0 torus, 1 sphere, 2 capped cylinder

    // Every form lies within this distance of the shape's origin (local units).
    static constexpr float kBoundingRadius = 20.0f;
};
