// CDrawable: a scene object with a material, an optional texture and two display lists
// compiled once: the geometry alone (for the scene's own passes) and the geometry wrapped in
// its material (one pass untextured; two passes textured, the second adding the specular
// highlight). Subclasses supply DrawGeometry and set their material in the constructor.
#pragma once

#include <GL/gl.h>

#include "math/Constants.h"
#include "math/Vector4.h"
#include "objects/CTransform.h"

class Scene;
class Texture;

class CDrawable : public CTransform {
public:
    explicit CDrawable(Scene* scene);  // makes no GL call
    ~CDrawable() override;             // deletes the display lists
    CDrawable(const CDrawable&) = delete;
    CDrawable& operator=(const CDrawable&) = delete;

    void Update() override;  // compiles the lists, then refreshes the inverse
    virtual void DrawGeometry() = 0;  // called only while a list is being compiled

    void BuildLists();   // replaces any lists held so far; needs a current GL context
    void DeleteLists();  // deletes the lists held and clears their names
    void Render();          // the material list under the model matrix
    void RenderGeometry();  // the geometry list under the model matrix

    Scene* scene;                 // the owner; not owned
    GLuint geometryList = 0;      // 0: none
    GLuint materialList = 0;      // 0: none
    Vector4 ambient{{0.3f, 0.3f, 0.3f, 1.0f}};
    Vector4 diffuse{{0.7f, 0.7f, 0.7f, 1.0f}};
    Vector4 specular = kBlack;
    float shininess = 0.0f;       // used by untextured material lists and the scene's specular pass
    Texture* texture = nullptr;   // not owned
};
