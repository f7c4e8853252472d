// PassObserver: lets a tool watch a frame being built pass by pass. The scene calls it just
// before each pass draws, with that pass's GL state in place and the buffers holding every
// earlier pass, and once after the last pass. An observer may read GL state and buffers; it
// must change nothing, so the frame stays the same with or without it.
#pragma once

// The passes in drawing order. A pass that is not drawn in a frame (its light off, shadows
// off, or its light reaching no pixel) is not reported.
enum class ScenePass {
    kShadowMark1,   // the shape flattened from light 1 into stencil bit 0
    kShadowMark2,   // the same from light 2 into stencil bit 1
    kFloorBase,     // the floor lit by the directional light; lays down depth
    kFloorLight1,   // light 1 (through its glass) added on the floor, outside its shadow
    kFloorLight2,
    kFloorTexture,  // the floor's light multiplied by the floor picture
    kShapeBase,     // the shape lit by the directional light; hides the floor behind it
    kShapeLight1,   // light 1 added on the shape
    kShapeLight2,
    kShapeWood,     // the shape's light multiplied by the wood picture
    kShapeSpecular, // the highlights of every enabled light, added
    kLightBodies,   // the lamps, with their own materials
    kGlassPanes,    // the panes in front of the lamps
};
constexpr int kScenePassCount = int(ScenePass::kGlassPanes) + 1;

class PassObserver {
public:
    virtual ~PassObserver() = default;
    virtual void PassBegins(ScenePass pass) = 0;
    virtual void FrameEnds() = 0;
};

// The observer of every frame drawn from now on; null (the default) observes nothing and
// costs one test per pass. Read at each pass.
extern PassObserver* g_passObserver;
