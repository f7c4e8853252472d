// Scene construction, animation and rendering. (The objects arrive with the scene objects;
// until then the scene holds its flags and draws nothing.)
#include "scene/Scene.h"

#include "app/Globals.h"
#include "math/FastSqrt.h"

float light2Time = 0.0f;

Scene::Scene()
{
    InitFastSqrtTable();
    // One stencil bit per shadowed light: 2 with two or more bits, 1 with one, 0 without.
    shadow = (g_stencilBits >= 2 ? 1 : 0) + (g_stencilBits >= 1 ? 1 : 0);
}

Scene::~Scene() = default;

void Scene::Build() {}

void Scene::ChangeShape() {}

void Scene::Animate(float, bool) {}

void Scene::RenderFrame() {}
