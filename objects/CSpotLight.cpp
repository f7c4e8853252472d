// CSpotLight: the lamp body (a shade lit by its own bulb light GL_LIGHT3, and an unlit
// bulb), the GL spot light placed from the model matrix, the eye-linear projection of a
// texture along the lamp's +z axis, and the two-pass stained-glass pane 12 units ahead.
#include "objects/CSpotLight.h"

#include <GL/glu.h>

#include "app/Globals.h"
#include "texture/Texture.h"

namespace {

constexpr float kPaneDistance = 12.0f;  // world units ahead of the lamp along local +z
constexpr float kPaneGridStep = 0.125f; // texture units (1.5 world units)

// Eye plane (a, -a.o) for the lamp axis a stored in column `column` of the model matrix.
void AxisPlane(const Matrix4& m, int column, float plane[4])
{
    const float* a = &m.m[4 * column];
    plane[0] = a[0];
    plane[1] = a[1];
    plane[2] = a[2];
    plane[3] = -(a[0] * m[12] + a[1] * m[13] + a[2] * m[14]);
}

// Pass 1 of the pane: the coloured glass multiplies what lies behind it.
void DrawGlassTint()
{
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    if (g_glassTexture)
        g_glassTexture->Bind();
    else
        glBindTexture(GL_TEXTURE_2D, 0);  // no picture: never pick up a stale binding
    glDisable(GL_LIGHTING);
    glColor3f(0.9f, 0.9f, 0.9f);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    const float h = kPaneDistance / 2.0f;  // half the pane's side, world units
    glBegin(GL_TRIANGLE_STRIP);
    glTexCoord2f(-0.5f, -0.5f);
    glVertex3f(-h, -h, kPaneDistance);
    glTexCoord2f(0.5f, -0.5f);
    glVertex3f(h, -h, kPaneDistance);
    glTexCoord2f(-0.5f, 0.5f);
    glVertex3f(-h, h, kPaneDistance);
    glTexCoord2f(0.5f, 0.5f);
    glVertex3f(h, h, kPaneDistance);
    glEnd();
}

// Pass 2 of the pane: the lamp's own light on the glass, modulated by the picture, added on
// top and pulled towards the viewer so that it wins the depth test against pass 1.
void DrawGlassLight(GLenum lightId)
{
    glEnable(GL_LIGHTING);
    glEnable(lightId);
    glDepthMask(GL_FALSE);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(-1.0f, 0.0f);
    static const float kGlassEmission[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, kGlassEmission);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, kBlack.Data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kWhite.Data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kBlack.Data());
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 0.0f);
    // 8 x 8 cells lit at their 9 x 9 corners; the bounds 0.49 and 0.51 lie between grid
    // values so that the accumulated single-precision steps give 8 rows and 9 columns.
    float y0 = -0.5f;
    do {
        glBegin(GL_TRIANGLE_STRIP);
        glNormal3f(0.0f, 0.0f, -1.0f);  // back towards the lamp
        const float y1 = y0 + kPaneGridStep;
        for (float x = -0.5f; x <= 0.51f; x += kPaneGridStep) {
            glTexCoord2f(x, y1);
            glVertex3f(kPaneDistance * x, kPaneDistance * y1, kPaneDistance);
            glTexCoord2f(x, y0);
            glVertex3f(kPaneDistance * x, kPaneDistance * y0, kPaneDistance);
        }
        glEnd();
        y0 = y1;
    } while (y0 < 0.49f);
}

}  // namespace

CSpotLight::CSpotLight(Scene* owner, GLenum light) : CDrawable(owner), lightId(light)
{
    ambient = Vector4{{0.2f, 0.2f, 0.2f, 1.0f}};
    diffuse = Vector4{{1.0f, 0.9f, 0.7f, 1.0f}};
    specular = Vector4{{1.0f, 1.0f, 1.0f, 1.0f}};
    shininess = 10.0f;
}

CSpotLight::~CSpotLight()
{
    if (glassList != 0)
        glDeleteLists(glassList, 1);
}

void CSpotLight::Update()
{
    BuildGlassList();
    CDrawable::Update();
}

void CSpotLight::DrawGeometry()
{
    // The enables, the two-sided light model and GL_LIGHT3 are all restored by the pop.
    glPushAttrib(GL_ENABLE_BIT | GL_LIGHTING_BIT);
    GLUquadric* quadric = gluNewQuadric();
    if (quadric) {
        // Both faces of the shade are drawn and lit, the inside as well as the outside.
        glDisable(GL_CULL_FACE);
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);

        // The bulb's own light at the lamp origin (the model matrix is current when the
        // list is called).
        static const float kBulbDiffuse[4] = {0.3f, 0.3f, 0.3f, 1.0f};
        static const float kBulbSpecular[4] = {0.6f, 0.6f, 0.6f, 1.0f};
        static const float kBulbPosition[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        glEnable(GL_LIGHT3);
        glLightfv(GL_LIGHT3, GL_AMBIENT, kBlack.Data());
        glLightfv(GL_LIGHT3, GL_DIFFUSE, kBulbDiffuse);
        glLightfv(GL_LIGHT3, GL_SPECULAR, kBulbSpecular);
        glLightfv(GL_LIGHT3, GL_POSITION, kBulbPosition);
        glLightf(GL_LIGHT3, GL_CONSTANT_ATTENUATION, 1.0f);
        glLightf(GL_LIGHT3, GL_LINEAR_ATTENUATION, 0.0f);
        glLightf(GL_LIGHT3, GL_QUADRATIC_ATTENUATION, 0.0f);

        // The shade: radius 1 at z = -4 flaring to radius 3 at z = +1, open towards +z.
        glPushMatrix();
        glTranslatef(0.0f, 0.0f, -4.0f);
        gluCylinder(quadric, 1.0, 3.0, 5.0, 16, 2);
        glPopMatrix();

        // The bulb: radius 1 at the origin, unlit.
        glDisable(GL_LIGHTING);
        glColor3f(1.0f, 1.0f, 0.9f);
        gluSphere(quadric, 1.0, 16, 4);

        gluDeleteQuadric(quadric);
    }
    glPopAttrib();
}

void CSpotLight::BuildGlassList()
{
    // A rebuild replaces the pane held so far instead of leaking it.
    if (glassList != 0)
        glDeleteLists(glassList, 1);
    glassList = glGenLists(1);
    glNewList(glassList, GL_COMPILE);
    glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_POLYGON_BIT);
    DrawGlassTint();
    DrawGlassLight(lightId);
    glPopAttrib();
    glEndList();
}

void CSpotLight::ApplyLight() const
{
    const float* m = modelMatrix.m;
    glLightfv(lightId, GL_AMBIENT, kBlack.Data());
    glLightfv(lightId, GL_DIFFUSE, lightDiffuse.Data());
    glLightfv(lightId, GL_SPECULAR, lightSpecular.Data());
    glLightfv(lightId, GL_POSITION, &m[12]);       // the origin as a homogeneous point
    glLightfv(lightId, GL_SPOT_DIRECTION, &m[8]);  // the local +z axis
    glLightf(lightId, GL_SPOT_CUTOFF, spotCutoff);
    glLightf(lightId, GL_SPOT_EXPONENT, spotExponent);
    glLightf(lightId, GL_CONSTANT_ATTENUATION, 1.0f);
    glLightf(lightId, GL_LINEAR_ATTENUATION, 0.0f);
    glLightf(lightId, GL_QUADRATIC_ATTENUATION, 0.0f);
}

void CSpotLight::SetupTextureProjection() const
{
    // For a world point p the coordinates are p in the lamp's frame; after the divide by q,
    // s/q = x/z and t/q = y/z, which runs from -0.5 to 0.5 across the pane.
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
    glTexGeni(GL_Q, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
    float plane[4];
    AxisPlane(modelMatrix, 0, plane);
    glTexGenfv(GL_S, GL_EYE_PLANE, plane);
    AxisPlane(modelMatrix, 1, plane);
    glTexGenfv(GL_T, GL_EYE_PLANE, plane);
    AxisPlane(modelMatrix, 2, plane);
    glTexGenfv(GL_Q, GL_EYE_PLANE, plane);
}

void CSpotLight::RenderGlass() const
{
    // The pane's list enables this lamp's light inside a push of the enable bits only.
    // Mesa 22's glPopAttrib restores light enables only together with the lighting bits, so
    // the light would stay on and leak into every later pass; put it back by hand.
    const GLboolean lightWasOn = glIsEnabled(lightId);
    glPushMatrix();
    glMultMatrixf(modelMatrix.Data());
    glCallList(glassList);
    glPopMatrix();
    if (!lightWasOn)
        glDisable(lightId);
}
