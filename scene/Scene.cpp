// Scene: building the camera, the two spot lights, the floor and the shape; animating them;
// and drawing a frame. Light is accumulated in the colour buffer (a base pass lit by the
// fixed directional light, one additive pass per spot light with the glass picture
// projected from it), then multiplied by the surface textures, with the shape's specular
// highlight added last. Shadows are the shape flattened onto the floor from each light,
// marked in a stencil bit of that light's own and left out of its floor pass.
#include "scene/Scene.h"

#include <GL/gl.h>

#include <cmath>

#include "app/Globals.h"
#include "math/Constants.h"
#include "math/FastSqrt.h"
#include "math/Vector3.h"
#include "objects/CFloor.h"
#include "objects/CShape.h"
#include "objects/CSpotLight.h"
#include "scene/LightBounds.h"
#include "scene/OrbitCamera.h"
#include "texture/Texture.h"

float light2Time = 0.0f;
bool g_limitLightPasses = true;
PassObserver* g_passObserver = nullptr;

namespace {

// The fixed directional light; w = 0, given under the view so it is fixed in the world.
constexpr float kLight0Ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
constexpr float kLight0Diffuse[4] = {0.4f, 0.4f, 0.4f, 1.0f};
constexpr float kLight0Specular[4] = {0.3f, 0.3f, 0.3f, 1.0f};
constexpr float kLight0Position[4] = {-1.0f, -1.0f, 1.0f, 0.0f};

// Object-linear wood planes: both about 0.02236 long, so the picture repeats about every
// 44.7 units on the shape whatever its form.
constexpr float kWoodPlaneS[4] = {0.02f, 0.0f, 0.01f, 0.5f};
constexpr float kWoodPlaneT[4] = {0.0f, 0.02236f, 0.0f, 0.5f};

// The two spot lights in drawing order, light 1 first, with the scene's members for each.
// Each has a stencil bit of its own, so where both shadows overlap both lights are left out.
struct SpotLightMembers {
    CSpotLight* Scene::*light;
    int Scene::*enabled, Scene::*glass;
    GLint stencil;
    ScenePass shadowMark, floorPass, shapePass;
};
constexpr SpotLightMembers kSpotLights[2] = {
    {&Scene::light1, &Scene::light1Enabled, &Scene::light1Glass, 1, ScenePass::kShadowMark1,
     ScenePass::kFloorLight1, ScenePass::kShapeLight1},
    {&Scene::light2, &Scene::light2Enabled, &Scene::light2Glass, 2, ScenePass::kShadowMark2,
     ScenePass::kFloorLight2, ScenePass::kShapeLight2},
};

// Whether kSpotLights[index] is shadowed. With a single stencil bit only light 1 is; light 2
// then lights the floor unmasked instead of failing the stencil test everywhere.
bool HasStencilBit(int index) { return index == 0 || g_stencilBits >= 2; }

// Tells the observer, if there is one, that the pass is about to draw with its state set.
inline void BeginPass(ScenePass pass)
{
    if (g_passObserver)
        g_passObserver->PassBegins(pass);
}

void BindTexture(const Texture* texture)
{
    if (texture)
        texture->Bind();
    else
        glBindTexture(GL_TEXTURE_2D, 0);
}

// M <- M * R(angle, axis): a turn in the object's own frame; the position is unchanged.
void RotateInOwnFrame(Matrix4& m, float degrees, float x, float y, float z)
{
    glPushMatrix();
    glLoadMatrixf(m.Data());
    glRotatef(degrees, x, y, z);
    glGetFloatv(GL_MODELVIEW_MATRIX, m.Data());
    glPopMatrix();
}

// M <- R(angle, axis) * M: a turn about an axis through the world origin.
void RotateInWorld(Matrix4& m, float degrees, float x, float y, float z)
{
    glPushMatrix();
    glLoadIdentity();
    glRotatef(degrees, x, y, z);
    glMultMatrixf(m.Data());
    glGetFloatv(GL_MODELVIEW_MATRIX, m.Data());
    glPopMatrix();
}

// Sets a light's axes from its beam direction d and an up hint u: z along d, y = d x u,
// x = y x d, each normalised (the cross products use d as given).
void SetLightFrame(Matrix4& m, const Vector3& d, const Vector3& u)
{
    Vector3 z = d;
    z.Normalize();
    Vector3 y = Cross(d, u);
    y.Normalize();
    Vector3 x = Cross(y, d);
    x.Normalize();
    m[0] = x.x; m[1] = x.y; m[2] = x.z;
    m[4] = y.x; m[5] = y.y; m[6] = y.z;
    m[8] = z.x; m[9] = z.y; m[10] = z.z;
}

// Projection from the light's position P onto the plane z = 0: (pz I - P plane^T).
void MultShadowMatrix(const CSpotLight& light)
{
    const Matrix4& m = light.modelMatrix;
    const float px = m[12], py = m[13], pz = m[14], pw = m[15];
    const float shadow[16] = {
        pz,  0.0f, 0.0f, 0.0f,
        0.0f, pz,  0.0f, 0.0f,
        -px, -py,  0.0f, -pw,
        0.0f, 0.0f, 0.0f, pz,
    };
    glMultMatrixf(shadow);
}

void SetTextureGeneration(bool on)
{
    const GLenum coordinates[] = {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_Q};
    for (GLenum coordinate : coordinates)
        on ? glEnable(coordinate) : glDisable(coordinate);
}

// Texturing on with the picture projected from the light, or plain spot lighting.
void SetupGlass(const CSpotLight& light, int glass)
{
    if (glass) {
        glEnable(GL_TEXTURE_2D);
        light.SetupTextureProjection();
    } else {
        glDisable(GL_TEXTURE_2D);
    }
}

// Lighting off, white, texturing on with the picture: the colour buffer times the picture.
void MultiplyByTexture(const Texture* texture)
{
    glDisable(GL_LIGHTING);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    glEnable(GL_TEXTURE_2D);
    BindTexture(texture);
}

}  // namespace

Scene::Scene()
{
    InitFastSqrtTable();  // before the camera or the light frames compute any length
    // One stencil bit per shadowed light: 2 with two or more bits, 1 with one, 0 without.
    shadow = (g_stencilBits >= 2 ? 1 : 0) + (g_stencilBits >= 1 ? 1 : 0);
}

Scene::~Scene()
{
    const auto release = [](auto*& object) {
        delete object;
        object = nullptr;
    };
    release(camera);
    release(light1);
    release(light2);
    release(floor);
    release(shape);
}

void Scene::Build()
{
    camera = new OrbitCamera();
    camera->Reset();

    light1 = new CSpotLight(this, GL_LIGHT1);
    light1->modelMatrix[12] = 0.0f;
    light1->modelMatrix[13] = -60.0f;
    light1->modelMatrix[14] = 60.0f;
    SetLightFrame(light1->modelMatrix, Vector3(0.0f, 1.5f, -1.0f), Vector3(0.0f, 1.0f, 1.5f));
    light1->Update();

    light2 = new CSpotLight(this, GL_LIGHT2);
    light2->modelMatrix[12] = 30.0f;
    light2->modelMatrix[13] = 0.0f;
    light2->modelMatrix[14] = 60.0f;
    SetLightFrame(light2->modelMatrix, Vector3(-1.0f, 0.5f, -2.0f), Vector3(-2.0f, 1.0f, 1.0f));
    light2->Update();

    floor = new CFloor(this);
    floor->Update();

    shape = new CShape(this);
    shape->modelMatrix[14] += 20.0f;  // floats 20 units above the floor
    shape->Update();
}

void Scene::ChangeShape() { shape->ChangeShape(); }

void Scene::ComputePassLimits()
{
    passLimits.on = g_limitLightPasses;
    if (!passLimits.on)
        return;
    // The modelview holds the view alone here.
    Matrix4 projection, view;
    GLint viewport[4];
    glGetFloatv(GL_PROJECTION_MATRIX, projection.Data());
    glGetFloatv(GL_MODELVIEW_MATRIX, view.Data());
    glGetIntegerv(GL_VIEWPORT, viewport);
    for (int i = 0; i < 2; ++i) {
        if (!(this->*kSpotLights[i].enabled))
            continue;
        const LightPassRects rects = BoundLightPasses(*(this->*kSpotLights[i].light), *floor,
                                                      *shape, projection, view, viewport);
        passLimits.floor[i] = rects.floor;
        passLimits.shape[i] = rects.shape;
    }
}

void Scene::RenderWithin(CDrawable& object, const PixelRect& limit, ScenePass pass) const
{
    if (!passLimits.on) {
        BeginPass(pass);
        object.RenderGeometry();
        return;
    }
    if (limit.Empty())
        return;
    glEnable(GL_SCISSOR_TEST);
    glScissor(limit.x, limit.y, limit.width, limit.height);
    BeginPass(pass);
    object.RenderGeometry();
    glDisable(GL_SCISSOR_TEST);
}

void Scene::MarkShadows()
{
    // The shape flattened onto z = 0, stencil only, no depth test, so shadow hidden behind
    // the shape is marked too.
    glDisable(GL_LIGHTING);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_STENCIL_TEST);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    for (int i = 0; i < 2; ++i) {
        const SpotLightMembers& spot = kSpotLights[i];
        if (!(this->*spot.enabled) || !HasStencilBit(i))
            continue;
        glStencilFunc(GL_NOTEQUAL, spot.stencil, GLuint(spot.stencil));
        glStencilMask(GLuint(spot.stencil));
        glPushMatrix();
        MultShadowMatrix(*(this->*spot.light));
        RenderWithin(*shape, passLimits.floor[i], spot.shadowMark);
        glPopMatrix();
    }
    // Back to colour, depth tested and lit, for the floor's base pass.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_STENCIL_TEST);
    glEnable(GL_LIGHTING);
}

void Scene::AddSpotLights(CDrawable& object, bool stencilled)
{
    const bool onFloor = &object == floor;
    BindTexture(g_glassTexture);
    SetTextureGeneration(true);  // stays on also without glass: texturing is then off
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    for (int i = 0; i < 2; ++i) {
        const SpotLightMembers& spot = kSpotLights[i];
        if (!(this->*spot.enabled))
            continue;
        for (const SpotLightMembers& each : kSpotLights)  // this light's GL light alone on
            (&each == &spot ? glEnable : glDisable)((this->*each.light)->lightId);
        if (stencilled && HasStencilBit(i))
            glStencilFunc(GL_NOTEQUAL, spot.stencil, GLuint(spot.stencil));
        else if (stencilled)
            glDisable(GL_STENCIL_TEST);  // no bit of its own: lit unmasked
        SetupGlass(*(this->*spot.light), this->*spot.glass);
        RenderWithin(object, onFloor ? passLimits.floor[i] : passLimits.shape[i],
                     onFloor ? spot.floorPass : spot.shapePass);
    }
}

void Scene::Animate(float dt, bool paused)
{
    camera->UpdateFromKeys(dt);  // the camera answers the keys even while paused
    if (paused)
        return;

    if (rotate)
        RotateInOwnFrame(shape->modelMatrix, 120.0f * dt, 1.0f, 0.5f, 0.0f);

    if (light1Moving && light1Enabled) {
        // Circles the world z axis at 90 degrees/s and spins about its beam at 30 degrees/s,
        // which turns the projected picture.
        RotateInWorld(light1->modelMatrix, 90.0f * dt, 0.0f, 0.0f, 1.0f);
        RotateInOwnFrame(light1->modelMatrix, -30.0f * dt, 0.0f, 0.0f, 1.0f);
    }

    if (light2Moving && light2Enabled) {
        light2Time += dt;
        const float t = light2Time;
        Matrix4& m = light2->modelMatrix;
        m[12] = 30.0f + 20.0f * std::sin(t);
        m[13] = 30.0f * std::cos(1.8f * t);
        m[14] = 60.0f + 15.0f * std::sin(2.8f * t);
        RotateInOwnFrame(m, 120.0f * dt, 0.0f, -0.2f, 1.0f);  // the beam wobbles
    }
}

void Scene::SetViewAndLights()
{
    glLoadIdentity();
    camera->ApplyView();
    glLightfv(GL_LIGHT0, GL_AMBIENT, kLight0Ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, kLight0Diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, kLight0Specular);
    glLightfv(GL_LIGHT0, GL_POSITION, kLight0Position);
    for (const SpotLightMembers& spot : kSpotLights)
        (this->*spot.light)->ApplyLight();  // enabled or not: the parameters are per frame

    // The scene material: the textures passes supply the colour, lights only intensity.
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, kBlack.Data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, kWhite.Data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kWhite.Data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kBlack.Data());
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 0.0f);
}

void Scene::LightFloor()
{
    glEnable(GL_LIGHT0);  // the base pass, lit by the directional light; lays down depth
    BeginPass(ScenePass::kFloorBase);
    floor->RenderGeometry();
    glDisable(GL_LIGHT0);
    // Each spot light adds its light (through the glass), with shadows outside its own.
    glDisable(GL_DEPTH_TEST);
    if (shadow) {
        glEnable(GL_STENCIL_TEST);
        glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    }
    AddSpotLights(*floor, shadow != 0);
    SetTextureGeneration(false);
    if (shadow)
        glDisable(GL_STENCIL_TEST);
}

void Scene::TextureFloor()
{
    MultiplyByTexture(g_floorTexture);
    BeginPass(ScenePass::kFloorTexture);
    floor->RenderGeometry();
}

void Scene::RenderShape()
{
    // The base pass writes depth and hides the floor behind the shape; the spot lights are
    // added at equal depth without writing it.
    glEnable(GL_LIGHT0);
    BeginPass(ScenePass::kShapeBase);
    shape->RenderGeometry();
    glDisable(GL_LIGHT0);
    glDepthMask(GL_FALSE);
    AddSpotLights(*shape, false);

    // Wood: the accumulated light times the wood picture, mapped by object coordinates.
    glDisable(GL_TEXTURE_GEN_Q);
    MultiplyByTexture(g_woodTexture);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGenfv(GL_S, GL_OBJECT_PLANE, kWoodPlaneS);
    glTexGenfv(GL_T, GL_OBJECT_PLANE, kWoodPlaneT);
    BeginPass(ScenePass::kShapeWood);
    shape->RenderGeometry();

    // Specular highlights of every enabled light, added untextured and without the glass.
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    for (const SpotLightMembers& spot : kSpotLights)
        if (this->*spot.enabled)
            glEnable((this->*spot.light)->lightId);
    glDisable(GL_TEXTURE_2D);
    glBlendFunc(GL_ONE, GL_ONE);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, kBlack.Data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kBlack.Data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, shape->specular.Data());
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, shape->shininess);
    BeginPass(ScenePass::kShapeSpecular);
    shape->RenderGeometry();
}

void Scene::RenderLamps()
{
    // Lamp bodies with their own materials, lit by the directional light; then the panes.
    glEnable(GL_LIGHT0);
    if (light1Enabled || light2Enabled)
        BeginPass(ScenePass::kLightBodies);
    for (const SpotLightMembers& spot : kSpotLights)
        if (this->*spot.enabled)
            (this->*spot.light)->Render();
    glDisable(GL_LIGHT0);
    if ((light1Enabled && light1Glass) || (light2Enabled && light2Glass))
        BeginPass(ScenePass::kGlassPanes);
    for (const SpotLightMembers& spot : kSpotLights)
        if (this->*spot.enabled && this->*spot.glass)
            (this->*spot.light)->RenderGlass();
}

void Scene::RenderFrame()
{
    SetViewAndLights();
    ComputePassLimits();

    // Without shadows the stencil buffer is neither tested nor written.
    glPushAttrib(GL_ENABLE_BIT | (shadow ? GL_STENCIL_BUFFER_BIT : 0) | GL_DEPTH_BUFFER_BIT |
                 GL_LIGHTING_BIT | GL_SCISSOR_BIT);
    if (shadow)
        MarkShadows();
    LightFloor();
    TextureFloor();
    glPopAttrib();

    glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT | GL_SCISSOR_BIT);
    RenderShape();
    glPopAttrib();

    RenderLamps();
    if (g_passObserver)
        g_passObserver->FrameEnds();
}
