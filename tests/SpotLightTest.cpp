// CSpotLight: the lists' lifetime, the light and texture planes as GL holds them in eye
// space, the lamp body restoring the lighting state it changes, the glass pane's geometry,
// and what the pane's two passes put on screen (tint behind it, spot light falling off).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "DrawableTestSupport.h"
#include "app/Globals.h"
#include "objects/CSpotLight.h"
#include "platform/offscreen/Offscreen.h"
#include "support/GLTestContext.h"
#include "texture/Texture.h"

namespace {

using namespace corvane::test;

bool Near(float a, float b) { return std::fabs(a - b) < 1e-3f; }

void ExpectVector(const float* actual, std::initializer_list<float> expected, float tolerance)
{
    int i = 0;
    for (float e : expected) {
        EXPECT_NEAR(actual[i], e, tolerance) << "component " << i;
        ++i;
    }
}

class SpotLightTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        LoadObjectView();
    }
    void TearDown() override
    {
        lamp.reset();
        g_glassTexture = nullptr;
        texture.reset();
        GLTest::TearDown();
    }

    std::unique_ptr<CSpotLight> lamp = std::make_unique<CSpotLight>(nullptr, GL_LIGHT1);
    std::unique_ptr<Texture> texture;
};

TEST_F(SpotLightTest, UpdateBuildsThreeListsThatDestructionDeletes)
{
    EXPECT_EQ(lamp->lightId, static_cast<GLenum>(GL_LIGHT1));
    EXPECT_EQ(lamp->glassList, 0u);
    EXPECT_EQ(lamp->texture, nullptr);  // the body is untextured: a one-pass material list
    lamp.reset();  // never updated: nothing to delete
    EXPECT_EQ(LiveListCount(), 0);

    lamp = std::make_unique<CSpotLight>(nullptr, GL_LIGHT2);
    lamp->Update();
    EXPECT_TRUE(lamp->updated);
    const GLuint lists[] = {lamp->glassList, lamp->geometryList, lamp->materialList};
    for (GLuint list : lists)
        EXPECT_TRUE(glIsList(list));
    EXPECT_EQ(LiveListCount(), 3);
    lamp->BuildGlassList();  // a rebuild replaces the pane
    EXPECT_EQ(LiveListCount(), 3);
    lamp.reset();
    EXPECT_EQ(LiveListCount(), 0);
}

TEST_F(SpotLightTest, ApplyLightPlacesLightInEyeSpace)
{
    lamp->ApplyLight();  // identity lamp, identity view
    float value[4];
    glGetLightfv(GL_LIGHT1, GL_POSITION, value);
    ExpectVector(value, {0, 0, 0, 1}, 1e-6f);
    glGetLightfv(GL_LIGHT1, GL_SPOT_DIRECTION, value);
    ExpectVector(value, {0, 0, 1}, 1e-6f);

    // A lamp at (0, -60, 60) pointing along world +y, under a view that moves the world by
    // (0, 0, -100): the light lands at (0, -60, -40) in eye space, shining along +y.
    lamp->modelMatrix = Matrix4{{1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, -60, 60, 1}};
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -100.0f);
    lamp->ApplyLight();
    glGetLightfv(GL_LIGHT1, GL_POSITION, value);
    ExpectVector(value, {0, -60, -40, 1}, 1e-4f);
    glGetLightfv(GL_LIGHT1, GL_SPOT_DIRECTION, value);
    ExpectVector(value, {0, 1, 0}, 1e-6f);
}

TEST_F(SpotLightTest, TextureProjectionPlanesFollowLampFrame)
{
    glTexGeni(GL_R, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);  // R must stay untouched
    float plane[4];
    auto expectPlanes = [&](std::initializer_list<float> s, std::initializer_list<float> t,
                            std::initializer_list<float> q) {
        lamp->SetupTextureProjection();
        glGetTexGenfv(GL_S, GL_EYE_PLANE, plane);
        ExpectVector(plane, s, 1e-5f);
        glGetTexGenfv(GL_T, GL_EYE_PLANE, plane);
        ExpectVector(plane, t, 1e-5f);
        glGetTexGenfv(GL_Q, GL_EYE_PLANE, plane);
        ExpectVector(plane, q, 1e-5f);
    };
    expectPlanes({1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0});
    lamp->modelMatrix[13] = -60.0f;
    lamp->modelMatrix[14] = 60.0f;
    expectPlanes({1, 0, 0, 0}, {0, 1, 0, 60}, {0, 0, 1, -60});

    for (GLenum coordinate : {GL_S, GL_T, GL_Q}) {
        GLint mode = 0;
        glGetTexGeniv(coordinate, GL_TEXTURE_GEN_MODE, &mode);
        EXPECT_EQ(mode, GL_EYE_LINEAR);
    }
    GLint mode = 0;
    glGetTexGeniv(GL_R, GL_TEXTURE_GEN_MODE, &mode);
    EXPECT_EQ(mode, GL_OBJECT_LINEAR);

    // A turned lamp: the pane's corners, carried into the world, get s/q and t/q of +-0.5,
    // so the projected picture lines up with the pane.
    glLoadIdentity();
    glRotatef(35.0f, 1.0f, 2.0f, 0.5f);
    glTranslatef(7.0f, -20.0f, 45.0f);
    glGetFloatv(GL_MODELVIEW_MATRIX, lamp->modelMatrix.m);
    glLoadIdentity();
    lamp->SetupTextureProjection();
    float planes[3][4];
    glGetTexGenfv(GL_S, GL_EYE_PLANE, planes[0]);
    glGetTexGenfv(GL_T, GL_EYE_PLANE, planes[1]);
    glGetTexGenfv(GL_Q, GL_EYE_PLANE, planes[2]);
    const Matrix4& m = lamp->modelMatrix;
    for (float x : {-6.0f, 6.0f})
        for (float y : {-6.0f, 6.0f}) {
            float world[4];
            for (int r = 0; r < 3; ++r)
                world[r] = m[r] * x + m[4 + r] * y + m[8 + r] * 12.0f + m[12 + r];
            world[3] = 1.0f;
            float generated[3];
            for (int c = 0; c < 3; ++c)
                generated[c] = planes[c][0] * world[0] + planes[c][1] * world[1] +
                               planes[c][2] * world[2] + planes[c][3] * world[3];
            EXPECT_NEAR(generated[0] / generated[2], x / 12.0f, 1e-4f);
            EXPECT_NEAR(generated[1] / generated[2], y / 12.0f, 1e-4f);
        }
}

TEST_F(SpotLightTest, LampBodyRestoresLightingState)
{
    lamp->Update();
    const float light3Diffuse[4] = {0.1f, 0.2f, 0.3f, 1.0f};
    glLightfv(GL_LIGHT3, GL_DIFFUSE, light3Diffuse);
    for (bool on : {false, true}) {
        auto set = [](GLenum cap, bool enable) { enable ? glEnable(cap) : glDisable(cap); };
        set(GL_LIGHTING, on);
        set(GL_LIGHT3, on);
        set(GL_CULL_FACE, !on);
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, on ? 1 : 0);
        float before[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, before);

        lamp->Render();

        EXPECT_EQ(glIsEnabled(GL_LIGHTING), on ? GL_TRUE : GL_FALSE);
        EXPECT_EQ(glIsEnabled(GL_LIGHT3), on ? GL_TRUE : GL_FALSE);
        EXPECT_EQ(glIsEnabled(GL_CULL_FACE), on ? GL_FALSE : GL_TRUE);
        GLint twoSide = -1;
        glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &twoSide);
        EXPECT_EQ(twoSide, on ? 1 : 0);
        float diffuse[4];
        glGetLightfv(GL_LIGHT3, GL_DIFFUSE, diffuse);
        ExpectVector(diffuse, {0.1f, 0.2f, 0.3f, 1.0f}, 0.0f);
        float after[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, after);
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(after[i], before[i]);
    }
}

TEST_F(SpotLightTest, GlassPaneRestoresItsEnables)
{
    lamp->Update();
    for (bool on : {false, true}) {
        auto set = [](GLenum cap, bool enable) { enable ? glEnable(cap) : glDisable(cap); };
        set(lamp->lightId, on);
        set(GL_LIGHTING, on);
        set(GL_BLEND, on);
        set(GL_TEXTURE_2D, on);
        set(GL_CULL_FACE, !on);
        set(GL_POLYGON_OFFSET_FILL, on);
        glDepthMask(on ? GL_FALSE : GL_TRUE);

        lamp->RenderGlass();

        // The lamp's own light above all: left on, it would light every later pass.
        EXPECT_EQ(glIsEnabled(lamp->lightId), on ? GL_TRUE : GL_FALSE);
        EXPECT_EQ(glIsEnabled(GL_LIGHTING), on ? GL_TRUE : GL_FALSE);
        EXPECT_EQ(glIsEnabled(GL_BLEND), on ? GL_TRUE : GL_FALSE);
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), on ? GL_TRUE : GL_FALSE);
        EXPECT_EQ(glIsEnabled(GL_CULL_FACE), on ? GL_FALSE : GL_TRUE);
        EXPECT_EQ(glIsEnabled(GL_POLYGON_OFFSET_FILL), on ? GL_TRUE : GL_FALSE);
        GLboolean depthMask = GL_FALSE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
        EXPECT_EQ(depthMask, on ? GL_FALSE : GL_TRUE);
    }
}

TEST_F(SpotLightTest, GlassPaneIsAQuadAndAnEightByEightGrid)
{
    lamp->Update();
    glEnable(GL_CULL_FACE);  // the pane draws both faces regardless
    const auto polygons = CaptureFeedback([&] { lamp->RenderGlass(); });
    // Pass 1: one strip of 4 vertices; pass 2: 8 strips of 18 vertices.
    ASSERT_EQ(polygons.size(), 2u + 8u * 16u);
    for (const auto& polygon : polygons)
        for (const auto& v : polygon) {
            EXPECT_NEAR(v.z, 12.0f, 1e-3f);
            EXPECT_LE(std::fabs(v.x), 6.0f + 1e-3f);
            EXPECT_LE(std::fabs(v.y), 6.0f + 1e-3f);
            // The picture spans the pane: s = x / 12, t = y / 12.
            EXPECT_NEAR(v.tex[0], v.x / 12.0f, 1e-4f);
            EXPECT_NEAR(v.tex[1], v.y / 12.0f, 1e-4f);
        }
    const FeedbackPolygon& grid = polygons[2];
    EXPECT_TRUE(Near(grid[0].x, -6.0f) && Near(grid[0].y, -4.5f));
    EXPECT_TRUE(Near(grid[1].x, -6.0f) && Near(grid[1].y, -6.0f));
    EXPECT_TRUE(Near(grid[1].tex[0], -0.5f) && Near(grid[1].tex[1], -0.5f));
}

TEST_F(SpotLightTest, PaneTintsWhatLiesBehindByItsPicture)
{
    texture = LoadTestTexture(WriteSolidBmp("glass", 255, 128, 0));
    g_glassTexture = texture.get();
    lamp->lightDiffuse = kBlack;  // no light on the glass: the second pass adds emission only
    lamp->Update();
    lamp->ApplyLight();
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    lamp->RenderGlass();
    uint8_t inside[3], outside[3];
    glReadPixels(PixelOf(0.0f), PixelOf(0.0f), 1, 1, GL_RGB, GL_UNSIGNED_BYTE, inside);
    glReadPixels(PixelOf(20.0f), PixelOf(0.0f), 1, 1, GL_RGB, GL_UNSIGNED_BYTE, outside);
    // White times 0.9 times the texel, plus the emission 0.2 times the texel.
    EXPECT_NEAR(inside[0], 255, 1);
    EXPECT_NEAR(inside[1], 255 * 1.1 * 128 / 255, 2);
    EXPECT_NEAR(inside[2], 0, 1);
    EXPECT_EQ(outside[0], 255);
    EXPECT_EQ(outside[1], 255);
    EXPECT_EQ(outside[2], 255);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(SpotLightTest, SpotLightOnPaneFallsOffAtConeEdge)
{
    lamp->Update();  // no glass picture: the pane shows the light alone
    lamp->ApplyLight();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    lamp->RenderGlass();
    auto red = [](float x, float y) {
        uint8_t rgb[3];
        glReadPixels(PixelOf(x), PixelOf(y), 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        return int(rgb[0]);
    };
    // On the axis: emission 0.2 plus the full light. Mid-edge (26.6 degrees off the axis):
    // inside the 30 degree cone, lit a little. Corner (35.3 degrees): emission only.
    EXPECT_GT(red(0.25f, 0.25f), 240);
    const int corner = red(-5.75f, -5.75f);
    const int edge = red(0.25f, -5.75f);
    EXPECT_NEAR(corner, 51, 3);
    EXPECT_GT(edge, corner + 4);
    EXPECT_LT(edge, 90);
}

}  // namespace
