// LightBounds: the screen rectangles outside which one spot light's passes change nothing,
// so that the scene can limit them with glScissor and skip those that reach no pixel.
// No GL here: the scene reads the matrices and the viewport and applies the rectangles.
#pragma once

#include "math/Matrix4.h"
#include "math/ScreenBounds.h"

class CFloor;
class CShape;
class CSpotLight;

struct LightPassRects {
    PixelRect floor;  // the light's shadow marks and its pass on the floor
    PixelRect shape;  // its pass on the shape
};

// projection and view as GL holds them while the frame is drawn; viewport x, y, width,
// height in pixels.
LightPassRects BoundLightPasses(const CSpotLight& light, const CFloor& floor,
                                const CShape& shape, const Matrix4& projection,
                                const Matrix4& view, const int viewport[4]);
