// CFloor: the mesh as GL receives it (triangle count, extent, facing, normals, texture
// coordinates, first and last vertices) and the two-pass material list, whose black
// highlight pass must leave the picture unchanged.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "DrawableTestSupport.h"
#include "app/Globals.h"
#include "objects/CFloor.h"
#include "support/GLTestContext.h"
#include "texture/Texture.h"

namespace {

using namespace corvane::test;

class FloorTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        texture = LoadTestTexture(WriteSolidBmp("floor", 200, 150, 100), GL_LINEAR);
        g_floorTexture = texture.get();
        floor = std::make_unique<CFloor>(nullptr);
        g_floorTexture = nullptr;
        floor->Update();
        LoadObjectView();
        // Back faces culled, counter-clockwise front faces, as the application has it.
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
    }
    void TearDown() override
    {
        floor.reset();
        texture.reset();
        GLTest::TearDown();
    }

    std::unique_ptr<Texture> texture;
    std::unique_ptr<CFloor> floor;
};

bool Near(float a, float b) { return std::fabs(a - b) < 1e-3f; }

TEST_F(FloorTest, MeshIsSixteenFrontFacingStripsOverTheFloor)
{
    EXPECT_EQ(floor->texture, texture.get());
    // Lit by a light straight above: a +z normal gives exactly the diffuse colour.
    const float above[4] = {0.0f, 0.0f, 1.0f, 0.0f};
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_POSITION, above);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, kBlack.Data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kWhite.Data());

    const auto polygons = CaptureFeedback([&] { floor->RenderGeometry(); });
    // 16 strips of 34 vertices make 16 * 32 triangles (one strip of 544 would make 542).
    ASSERT_EQ(polygons.size(), 512u);
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
    float minS = 1e9f, maxS = -1e9f, minT = 1e9f, maxT = -1e9f;
    for (const auto& polygon : polygons) {
        ASSERT_EQ(polygon.size(), 3u);
        for (const auto& v : polygon) {
            EXPECT_NEAR(v.z, 0.0f, 1e-3f);
            EXPECT_NEAR(v.color[0], 1.0f, 1e-3f);  // normal +z
            minX = std::min(minX, v.x), maxX = std::max(maxX, v.x);
            minY = std::min(minY, v.y), maxY = std::max(maxY, v.y);
            minS = std::min(minS, v.tex[0]), maxS = std::max(maxS, v.tex[0]);
            minT = std::min(minT, v.tex[1]), maxT = std::max(maxT, v.tex[1]);
        }
    }
    EXPECT_NEAR(minX, -60.0f, 1e-3f);
    EXPECT_NEAR(maxX, 60.0f, 1e-3f);
    EXPECT_NEAR(minY, -60.0f, 1e-3f);
    EXPECT_NEAR(maxY, 60.0f, 1e-3f);
    // Five repeats per side, shifted by +0.25 tile in s and -0.25 tile in t.
    EXPECT_FLOAT_EQ(minS, -2.25f);
    EXPECT_FLOAT_EQ(maxS, 2.75f);
    EXPECT_FLOAT_EQ(minT, -2.75f);
    EXPECT_FLOAT_EQ(maxT, 2.25f);

    // Seen from below, every triangle is a back face.
    glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
    EXPECT_TRUE(CaptureFeedback([&] { floor->RenderGeometry(); }).empty());
}

TEST_F(FloorTest, FirstAndLastVertices)
{
    const auto polygons = CaptureFeedback([&] { floor->RenderGeometry(); });
    ASSERT_EQ(polygons.size(), 512u);
    const FeedbackPolygon& first = polygons.front();
    EXPECT_TRUE(Near(first[0].x, -60.0f) && Near(first[0].y, -52.5f));
    EXPECT_TRUE(Near(first[0].tex[0], -2.25f) && Near(first[0].tex[1], -2.4375f));
    EXPECT_TRUE(Near(first[1].x, -60.0f) && Near(first[1].y, -60.0f));
    EXPECT_TRUE(Near(first[1].tex[0], -2.25f) && Near(first[1].tex[1], -2.75f));

    const FeedbackPolygon& last = polygons.back();
    const bool hasLast = std::any_of(last.begin(), last.end(), [](const FeedbackVertex& v) {
        return Near(v.x, 60.0f) && Near(v.y, 52.5f) && Near(v.tex[0], 2.75f) &&
               Near(v.tex[1], 1.9375f);
    });
    EXPECT_TRUE(hasLast);
}

TEST_F(FloorTest, MaterialListDrawsTwiceAndBlackHighlightAddsNothing)
{
    EXPECT_EQ(CaptureFeedback([&] { floor->Render(); }).size(), 1024u);

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glRotatef(-30.0f, 1.0f, 0.0f, 0.0f);  // tilted, so depth varies across the floor
    auto draw = [](const std::function<void()>& body) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        body();
        std::vector<uint8_t> rgb(kViewSize * kViewSize * 3);
        glReadPixels(0, 0, kViewSize, kViewSize, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    };
    const auto withList = draw([&] { floor->Render(); });
    // The textured first pass alone, by hand.
    const auto firstPass = draw([&] {
        glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, kBlack.Data());
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, floor->ambient.Data());
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, floor->diffuse.Data());
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kBlack.Data());
        glEnable(GL_TEXTURE_2D);
        texture->Bind();
        floor->RenderGeometry();
        glDisable(GL_TEXTURE_2D);
    });
    const size_t centre = (kViewSize / 2 * kViewSize + kViewSize / 2) * 3;
    EXPECT_GT(firstPass[centre], 20);  // the floor is there and lit
    EXPECT_TRUE(withList == firstPass);
}

}  // namespace
