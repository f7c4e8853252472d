// CSpotLight: a visible lamp (shade and glowing bulb) that is also one OpenGL spot light
// shining along its local +z axis. It projects a texture from its origin by eye-linear
// texture generation and draws a stained-glass pane 12 units in front of it.
#pragma once

#include <GL/gl.h>

#include "math/Vector4.h"
#include "objects/CDrawable.h"

class CSpotLight : public CDrawable {
public:
    CSpotLight(Scene* scene, GLenum lightId);
    ~CSpotLight() override;  // deletes the glass list

    void Update() override;  // glass list first, then the base lists and the inverse
    void DrawGeometry() override;
    void BuildGlassList();
    // Loads the GL light from the model matrix; the modelview must hold the view alone.
    void ApplyLight() const;
    // Eye-linear S, T, Q planes from the lamp's frame; the modelview must hold the view alone.
    void SetupTextureProjection() const;
    void RenderGlass() const;

    GLenum lightId;              // GL_LIGHT1 or GL_LIGHT2
    float spotCutoff = 30.0f;    // degrees
    float spotExponent = 30.0f;
    Vector4 lightDiffuse{{1.0f, 1.0f, 1.0f, 1.0f}};
    Vector4 lightSpecular{{0.3f, 0.3f, 0.3f, 1.0f}};
    GLuint glassList = 0;        // 0: not built
};
