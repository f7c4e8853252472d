// CDrawable: compiles the object's geometry into a geometry-only list and a material list,
// and draws either under the model matrix. A textured material list draws the geometry
// twice: textured ambient and diffuse, then the specular highlight added on top untextured.
#include "objects/CDrawable.h"

#include "texture/Texture.h"

namespace {

// The textured list's highlight pass uses this exponent, not the object's shininess.
constexpr float kTexturedShininess = 20.0f;

}  // namespace

CDrawable::CDrawable(Scene* owner) : scene(owner) {}

CDrawable::~CDrawable() { DeleteLists(); }

void CDrawable::Update()
{
    BuildLists();
    CTransform::Update();
}

void CDrawable::BuildLists()
{
    // Rebuilding replaces the lists held so far instead of leaking them.
    DeleteLists();

    geometryList = glGenLists(1);
    glNewList(geometryList, GL_COMPILE);
    DrawGeometry();
    glEndList();

    materialList = glGenLists(1);
    glNewList(materialList, GL_COMPILE);
    if (!texture) {
        glPushAttrib(GL_ENABLE_BIT);
        glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, kBlack.Data());
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient.Data());
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse.Data());
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular.Data());
        glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, shininess);
        DrawGeometry();
        glPopAttrib();
    } else {
        glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT);
        // Pass 1: lit ambient and diffuse, textured.
        glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, kBlack.Data());
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient.Data());
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse.Data());
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kBlack.Data());
        glEnable(GL_TEXTURE_2D);
        texture->Bind();
        DrawGeometry();
        // Pass 2: specular only, added at the same depth (the depth function is GL_LEQUAL).
        glDepthMask(GL_FALSE);
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, kBlack.Data());
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kBlack.Data());
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular.Data());
        glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, kTexturedShininess);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        glDisable(GL_TEXTURE_2D);
        DrawGeometry();
        glPopAttrib();
    }
    glEndList();
}

void CDrawable::DeleteLists()
{
    // The names are cleared so that a second call cannot delete a list that GL has since
    // handed out again to another object.
    if (materialList != 0) {
        glDeleteLists(materialList, 1);
        materialList = 0;
    }
    if (geometryList != 0) {
        glDeleteLists(geometryList, 1);
        geometryList = 0;
    }
}

void CDrawable::Render()
{
    glPushMatrix();
    glMultMatrixf(modelMatrix.Data());
    glCallList(materialList);
    glPopMatrix();
}

void CDrawable::RenderGeometry()
{
    glPushMatrix();
    glMultMatrixf(modelMatrix.Data());
    glCallList(geometryList);
    glPopMatrix();
}
