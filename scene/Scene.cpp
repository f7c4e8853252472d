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

// Stencil bits: one per light, so where both shadows overlap both lights are left out.
constexpr GLint kLight1Stencil = 1;
constexpr GLint kLight2Stencil = 2;

// Tells the observer, if there is one, that the pass is about to draw with its state set.
inline void BeginPass(ScenePass pass)
{
    if (g_passObserver)
        g_passObserver->PassBegins(pass);
}

const ScenePass kFloorLightPasses[2] = {ScenePass::kFloorLight1, ScenePass::kFloorLight2};
const ScenePass kShapeLightPasses[2] = {ScenePass::kShapeLight1, ScenePass::kShapeLight2};

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

}  // namespace

Scene::Scene()
{
    InitFastSqrtTable();  // before the camera or the light frames compute any length
    // One stencil bit per shadowed light: 2 with two or more bits, 1 with one, 0 without.
    shadow = (g_stencilBits >= 2 ? 1 : 0) + (g_stencilBits >= 1 ? 1 : 0);
}

Scene::~Scene()
{
    delete camera;
    camera = nullptr;
    delete light1;
    light1 = nullptr;
    delete light2;
    light2 = nullptr;
    delete floor;
    floor = nullptr;
    delete shape;
    shape = nullptr;
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
    const CSpotLight* lights[2] = {light1, light2};
    const int enabled[2] = {light1Enabled, light2Enabled};
    for (int i = 0; i < 2; ++i) {
        if (!enabled[i])
            continue;
        const LightPassRects rects =
            BoundLightPasses(*lights[i], *floor, *shape, projection, view, viewport);
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

void Scene::MarkShadow(const CSpotLight& light, int stencilBit, const PixelRect& limit)
{
    glStencilFunc(GL_NOTEQUAL, stencilBit, GLuint(stencilBit));
    glStencilMask(GLuint(stencilBit));
    glPushMatrix();
    MultShadowMatrix(light);
    RenderWithin(*shape, limit,
                 stencilBit == kLight1Stencil ? ScenePass::kShadowMark1 : ScenePass::kShadowMark2);
    glPopMatrix();
}

void Scene::AddSpotLights(CDrawable& object, const PixelRect limits[2], bool stencilled,
                          bool light2Stencilled, const ScenePass passes[2])
{
    BindTexture(g_glassTexture);
    SetTextureGeneration(true);  // stays on also without glass: texturing is then off
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    if (light1Enabled) {
        glEnable(light1->lightId);
        glDisable(light2->lightId);
        if (stencilled)
            glStencilFunc(GL_NOTEQUAL, kLight1Stencil, kLight1Stencil);
        SetupGlass(*light1, light1Glass);
        RenderWithin(object, limits[0], passes[0]);
    }
    if (light2Enabled) {
        glDisable(light1->lightId);
        glEnable(light2->lightId);
        if (light2Stencilled)
            glStencilFunc(GL_NOTEQUAL, kLight2Stencil, kLight2Stencil);
        else if (stencilled)
            glDisable(GL_STENCIL_TEST);  // no bit of its own: lit unmasked
        SetupGlass(*light2, light2Glass);
        RenderWithin(object, limits[1], passes[1]);
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

void Scene::RenderFrame()
{
    // View and lights.
    glLoadIdentity();
    camera->ApplyView();
    glLightfv(GL_LIGHT0, GL_AMBIENT, kLight0Ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, kLight0Diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, kLight0Specular);
    glLightfv(GL_LIGHT0, GL_POSITION, kLight0Position);
    light1->ApplyLight();  // both, enabled or not: the parameters are per frame
    light2->ApplyLight();

    // The scene material: the textures passes supply the colour, lights only intensity.
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, kBlack.Data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, kWhite.Data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kWhite.Data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kBlack.Data());
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 0.0f);

    ComputePassLimits();

    // With a single stencil bit only light 1 can be shadowed; light 2 then lights the floor
    // unmasked instead of failing the stencil test everywhere.
    const bool light2Shadowed = g_stencilBits >= 2;
    if (shadow) {
        glPushAttrib(GL_ENABLE_BIT | GL_STENCIL_BUFFER_BIT | GL_DEPTH_BUFFER_BIT |
                     GL_LIGHTING_BIT | GL_SCISSOR_BIT);

        // Mark the shadows: the shape flattened onto z = 0, stencil only, no depth test,
        // so shadow hidden behind the shape is marked too.
        glDisable(GL_LIGHTING);
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_STENCIL_TEST);
        glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
        if (light1Enabled)
            MarkShadow(*light1, kLight1Stencil, passLimits.floor[0]);
        if (light2Enabled && light2Shadowed)
            MarkShadow(*light2, kLight2Stencil, passLimits.floor[1]);

        // Floor base pass, lit by the directional light; lays down depth.
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glEnable(GL_DEPTH_TEST);
        glDisable(GL_STENCIL_TEST);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        BeginPass(ScenePass::kFloorBase);
        floor->RenderGeometry();
        glDisable(GL_LIGHT0);

        // Each spot light adds its light (through the glass) outside its own shadow.
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_STENCIL_TEST);
        glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
        AddSpotLights(*floor, passLimits.floor, true, light2Shadowed, kFloorLightPasses);
        SetTextureGeneration(false);
        glDisable(GL_STENCIL_TEST);
    } else {
        // Without shadows the stencil buffer is neither tested nor written.
        glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT | GL_SCISSOR_BIT);
        glEnable(GL_LIGHT0);
        BeginPass(ScenePass::kFloorBase);
        floor->RenderGeometry();
        glDisable(GL_LIGHT0);
        glDisable(GL_DEPTH_TEST);
        AddSpotLights(*floor, passLimits.floor, false, false, kFloorLightPasses);
        SetTextureGeneration(false);
    }

    // Floor texture: the accumulated light times the floor picture.
    glDisable(GL_LIGHTING);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    glEnable(GL_TEXTURE_2D);
    BindTexture(g_floorTexture);
    BeginPass(ScenePass::kFloorTexture);
    floor->RenderGeometry();
    glPopAttrib();

    // Shape: base pass (writes depth and hides the floor behind it), then the spot lights
    // added at equal depth without writing it.
    glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT | GL_SCISSOR_BIT);
    glEnable(GL_LIGHT0);
    BeginPass(ScenePass::kShapeBase);
    shape->RenderGeometry();
    glDisable(GL_LIGHT0);
    glDepthMask(GL_FALSE);
    AddSpotLights(*shape, passLimits.shape, false, false, kShapeLightPasses);

    // Wood: the accumulated light times the wood picture, mapped by object coordinates.
    glDisable(GL_TEXTURE_GEN_Q);
    glDisable(GL_LIGHTING);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    glEnable(GL_TEXTURE_2D);
    BindTexture(g_woodTexture);
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
    if (light1Enabled)
        glEnable(light1->lightId);
    if (light2Enabled)
        glEnable(light2->lightId);
    glDisable(GL_TEXTURE_2D);
    glBlendFunc(GL_ONE, GL_ONE);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, kBlack.Data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kBlack.Data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, shape->specular.Data());
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, shape->shininess);
    BeginPass(ScenePass::kShapeSpecular);
    shape->RenderGeometry();
    glPopAttrib();

    // Lamp bodies with their own materials, lit by the directional light; then the panes.
    glEnable(GL_LIGHT0);
    if (light1Enabled || light2Enabled)
        BeginPass(ScenePass::kLightBodies);
    if (light1Enabled)
        light1->Render();
    if (light2Enabled)
        light2->Render();
    glDisable(GL_LIGHT0);
    const bool pane1 = light1Enabled && light1Glass, pane2 = light2Enabled && light2Glass;
    if (pane1 || pane2)
        BeginPass(ScenePass::kGlassPanes);
    if (pane1)
        light1->RenderGlass();
    if (pane2)
        light2->RenderGlass();
    if (g_passObserver)
        g_passObserver->FrameEnds();
}
