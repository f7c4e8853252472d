// Scene: owns the orbit camera, the floor, the shape and the two spot lights; holds the
// eight feature flags the menu switches; builds the objects once, animates them each frame
// and draws the frame in several passes (projected glass picture, stencil shadows).
#pragma once

#include "math/ScreenBounds.h"
#include "scene/PassObserver.h"

class CDrawable;
class OrbitCamera;
class CFloor;
class CShape;
class CSpotLight;

class Scene {
public:
    Scene();
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    void Build();
    void ChangeShape();
    void Animate(float dt, bool paused);  // dt in seconds, at most 0.05
    void RenderFrame();

    OrbitCamera* camera = nullptr;
    CFloor* floor = nullptr;
    CShape* shape = nullptr;
    CSpotLight* light1 = nullptr;  // drives GL_LIGHT1
    CSpotLight* light2 = nullptr;  // drives GL_LIGHT2

    // Feature flags: zero is off, anything else on.
    int shadow = 0;
    int rotate = 1;
    int light1Enabled = 1;
    int light1Moving = 1;
    int light1Glass = 1;
    int light2Enabled = 1;
    int light2Moving = 1;
    int light2Glass = 1;

private:
    // The screen areas this frame's light passes are limited to (see LightBounds.h).
    struct PassLimits {
        bool on;  // off: every pass covers its full extent
        PixelRect floor[2];  // per light: its shadow marks and its floor pass
        PixelRect shape[2];  // per light: its pass on the shape
    };

    // The frame's steps, in drawing order.
    void SetViewAndLights();  // the view, every light's parameters, the scene material
    void ComputePassLimits();
    void MarkShadows();   // each enabled light's shadow in its own stencil bit
    void LightFloor();    // base pass, then the spot lights outside their marked shadows
    void TextureFloor();  // times the floor picture
    void RenderShape();   // base pass, spot lights, times the wood picture, highlights
    void RenderLamps();   // the enabled lights' bodies, then their glass panes

    // One additive pass per enabled spot light over the floor or the shape, within that
    // light's limit on it, through its glass when the glass flag is on. Stencilled: each
    // light leaves out the pixels of its own shadow bit.
    void AddSpotLights(CDrawable& object, bool stencilled);
    // The object's geometry within `limit` (when limiting) as the given pass; nothing when
    // the limit is empty.
    void RenderWithin(CDrawable& object, const PixelRect& limit, ScenePass pass) const;

    PassLimits passLimits{};
};

// Limits each spot light's passes to the screen area its cone can reach and skips those
// that reach no pixel; the picture is the same either way. Off, every pass covers its full
// extent (the snapshot tool's --full-extent, for comparisons). Read at each frame.
extern bool g_limitLightPasses;

// Time along spot light 2's path in seconds; advances only while light 2 is enabled and moving.
extern float light2Time;
