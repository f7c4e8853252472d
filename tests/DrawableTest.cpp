// CDrawable: what the one-pass and two-pass material lists put on screen, that the textured
// list restores the state it changes, the lists' lifetime, and Render / RenderGeometry
// drawing under the model matrix without disturbing the matrix stack.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "DrawableTestSupport.h"
#include "math/Constants.h"
#include "objects/CDrawable.h"
#include "platform/offscreen/Offscreen.h"
#include "support/GLTestContext.h"
#include "texture/Texture.h"

namespace {

using namespace corvane::test;

// A 64 x 64 square in the plane z = 0 facing +z, texture coordinates 0..1.
class TestSquare : public CDrawable {
public:
    TestSquare() : CDrawable(nullptr) {}
    void DrawGeometry() override
    {
        glBegin(GL_QUADS);
        glNormal3f(0.0f, 0.0f, 1.0f);
        glTexCoord2f(0.0f, 0.0f);
        glVertex3f(-32.0f, -32.0f, 0.0f);
        glTexCoord2f(1.0f, 0.0f);
        glVertex3f(32.0f, -32.0f, 0.0f);
        glTexCoord2f(1.0f, 1.0f);
        glVertex3f(32.0f, 32.0f, 0.0f);
        glTexCoord2f(0.0f, 1.0f);
        glVertex3f(-32.0f, 32.0f, 0.0f);
        glEnd();
    }
};

class DrawableTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        LoadObjectView();
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);  // as the application sets it: later passes redraw at equal depth
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    void TearDown() override
    {
        square.reset();  // its lists go while the context is current
        texture.reset();
        GLTest::TearDown();
    }

    // A white directional light in the xz plane, placed so that for the square's +z normal
    // and a distant viewer n.h = 0.9 and n.L = 2 * 0.9^2 - 1 = 0.62.
    static void LightAtAngle()
    {
        const float halfAngle = std::acos(0.9f);
        const float position[4] = {std::sin(2 * halfAngle), 0.0f, std::cos(2 * halfAngle), 0.0f};
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glLightfv(GL_LIGHT0, GL_POSITION, position);
    }

    static void CentrePixel(uint8_t rgb[3])
    {
        glReadPixels(kViewSize / 2, kViewSize / 2, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    }

    std::unique_ptr<TestSquare> square = std::make_unique<TestSquare>();
    std::unique_ptr<Texture> texture;
};

TEST_F(DrawableTest, UntexturedListUsesOwnShininess)
{
    square->ambient = kBlack;
    square->diffuse = kRed;
    square->specular = Vector4{{0.3f, 0.3f, 0.3f, 1.0f}};
    square->shininess = 10.0f;
    square->Update();
    LightAtAngle();
    square->Render();
    uint8_t rgb[3];
    CentrePixel(rgb);
    // Green and blue are the highlight alone: 0.3 * 0.9^10 = 0.105.
    EXPECT_NEAR(rgb[1], 255 * 0.3 * std::pow(0.9, 10), 2.0);
    EXPECT_NEAR(rgb[2], rgb[1], 1.0);
    EXPECT_NEAR(rgb[0], 255 * (0.62 + 0.3 * std::pow(0.9, 10)), 2.0);

    // One pass: the geometry once.
    const auto polygons = CaptureFeedback([&] { square->Render(); });
    const auto geometryOnly = CaptureFeedback([&] { square->RenderGeometry(); });
    EXPECT_EQ(polygons.size(), geometryOnly.size());
    EXPECT_FALSE(geometryOnly.empty());
}

TEST_F(DrawableTest, TexturedListAddsHighlightAtFixedExponent)
{
    texture = LoadTestTexture(WriteSolidBmp("red", 255, 0, 0));
    ASSERT_TRUE(platform::offscreen::MessageBoxes().empty());
    square->ambient = kBlack;
    square->diffuse = kWhite;
    square->specular = Vector4{{0.3f, 0.3f, 0.3f, 1.0f}};
    square->shininess = 50.0f;  // must not enter the textured list
    square->texture = texture.get();
    square->Update();
    LightAtAngle();
    square->Render();
    uint8_t rgb[3];
    CentrePixel(rgb);
    // Pass 1: 0.62 times the red texel. Pass 2 adds 0.3 * 0.9^20 = 0.036 untextured, so green
    // and blue show it alone (exponent 10 would give 27, the object's 50 about 0).
    EXPECT_NEAR(rgb[1], 255 * 0.3 * std::pow(0.9, 20), 1.5);
    EXPECT_NEAR(rgb[2], rgb[1], 1.0);
    EXPECT_NEAR(rgb[0], 255 * (0.62 + 0.3 * std::pow(0.9, 20)), 2.0);

    // The passes' enables and the depth mask are back as they were.
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_EQ(depthMask, GL_TRUE);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));

    // Two passes: the geometry twice.
    const auto polygons = CaptureFeedback([&] { square->Render(); });
    const auto geometryOnly = CaptureFeedback([&] { square->RenderGeometry(); });
    EXPECT_EQ(polygons.size(), 2 * geometryOnly.size());
}

TEST_F(DrawableTest, ListsLiveUntilDeletedAndAreNeverDeletedTwice)
{
    EXPECT_EQ(square->geometryList, 0u);
    EXPECT_EQ(square->materialList, 0u);
    square->DeleteLists();  // nothing held: nothing happens
    EXPECT_EQ(LiveListCount(), 0);

    square->Update();
    EXPECT_TRUE(square->updated);
    EXPECT_TRUE(glIsList(square->geometryList));
    EXPECT_TRUE(glIsList(square->materialList));
    EXPECT_NE(square->geometryList, square->materialList);

    // Rebuilding replaces the lists rather than adding to them.
    square->BuildLists();
    EXPECT_EQ(LiveListCount(), 2);

    // Deleting clears the names, so a later delete (or the destructor) cannot remove lists
    // that GL has handed out again to another object.
    square->DeleteLists();
    EXPECT_EQ(square->geometryList, 0u);
    EXPECT_EQ(square->materialList, 0u);
    EXPECT_EQ(LiveListCount(), 0);
    auto other = std::make_unique<TestSquare>();
    other->Update();
    square->DeleteLists();
    square.reset();
    EXPECT_TRUE(glIsList(other->geometryList));
    EXPECT_TRUE(glIsList(other->materialList));

    const GLuint geometry = other->geometryList;
    const GLuint material = other->materialList;
    other.reset();
    EXPECT_FALSE(glIsList(geometry));
    EXPECT_FALSE(glIsList(material));
}

TEST_F(DrawableTest, RenderDrawsUnderModelMatrixAndRestoresIt)
{
    square->Update();
    // 90 degrees about z, moved to (10, 5, 3).
    square->modelMatrix = Matrix4{{0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 10, 5, 3, 1}};
    glTranslatef(1.0f, 2.0f, 0.0f);  // a view transform, which must stay underneath
    float before[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);

    for (bool material : {false, true}) {
        const auto polygons = CaptureFeedback([&] {
            if (material)
                square->Render();
            else
                square->RenderGeometry();
        });
        float after[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, after);
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(after[i], before[i]) << "element " << i;

        // Local (32, -32, 0) lands at (32, 32, 0) + (10, 5, 3) + (1, 2, 0).
        ASSERT_FALSE(polygons.empty());
        bool found = false;
        for (const auto& polygon : polygons)
            for (const auto& v : polygon)
                found = found || (std::fabs(v.x - 43.0f) < 1e-3f &&
                                  std::fabs(v.y - 39.0f) < 1e-3f && std::fabs(v.z - 3.0f) < 1e-3f);
        EXPECT_TRUE(found) << (material ? "Render" : "RenderGeometry");
    }
}

}  // namespace
