// CShape: the size of each form, the cycle of ChangeShape with its list replacement, the
// forms facing outwards (the near surface wins with back faces culled), and the capped
// cylinder's caps meeting its wall and leaving the matrix as it found it.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <vector>
#include <utility>

#include "DrawableTestSupport.h"
#include "app/Globals.h"
#include "objects/CShape.h"
#include "support/GLTestContext.h"

namespace {

using namespace corvane::test;

struct Extent {
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f, minZ = 1e9f, maxZ = -1e9f;
};

Extent ExtentOf(const std::vector<FeedbackPolygon>& polygons)
{
    Extent e;
    for (const auto& polygon : polygons)
        for (const auto& v : polygon) {
            e.minX = std::min(e.minX, v.x), e.maxX = std::max(e.maxX, v.x);
            e.minY = std::min(e.minY, v.y), e.maxY = std::max(e.maxY, v.y);
            e.minZ = std::min(e.minZ, v.z), e.maxZ = std::max(e.maxZ, v.z);
        }
    return e;
}

class ShapeTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        shape = std::make_unique<CShape>(nullptr);
        shape->Update();
        LoadObjectView();
    }
    void TearDown() override
    {
        shape.reset();
        GLTest::TearDown();
    }

    // Half extents of the current form in x, y and z.
    void ExpectExtent(float halfX, float halfY, float halfZ)
    {
        const Extent e = ExtentOf(CaptureFeedback([&] { shape->DrawGeometry(); }));
        EXPECT_NEAR(e.minX, -halfX, 0.05f);
        EXPECT_NEAR(e.maxX, halfX, 0.05f);
        EXPECT_NEAR(e.minY, -halfY, 0.05f);
        EXPECT_NEAR(e.maxY, halfY, 0.05f);
        EXPECT_NEAR(e.minZ, -halfZ, 0.05f);
        EXPECT_NEAR(e.maxZ, halfZ, 0.05f);
    }

    // Depth of the surface seen at object point (x, y) from +z, with back faces culled.
    float VisibleDepthAt(float x, float y)
    {
        glClear(GL_DEPTH_BUFFER_BIT);
        shape->RenderGeometry();
        float depth = 1.0f;
        glReadPixels(PixelOf(x), PixelOf(y), 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        return depth;
    }

    std::unique_ptr<CShape> shape;
};

TEST_F(ShapeTest, ChangeShapeCyclesFormsAndReplacesLists)
{
    EXPECT_EQ(shape->shapeIndex, 0);
    shape->modelMatrix[14] = 20.0f;  // raised as the scene places it; must survive the changes
    const struct {
        int index;
        float halfX, halfY, halfZ;
    } forms[] = {{1, 17, 17, 17}, {2, 13, 13, 15}, {0, 20, 20, 7}};

    ExpectExtent(20, 20, 7);  // a new shape is the torus: 40 across, 14 thick
    for (const auto& form : forms) {
        const GLuint oldGeometry = shape->geometryList;
        const GLuint oldMaterial = shape->materialList;
        shape->ChangeShape();
        EXPECT_EQ(shape->shapeIndex, form.index);
        EXPECT_TRUE(glIsList(shape->geometryList));
        EXPECT_TRUE(glIsList(shape->materialList));
        // The old lists are gone (unless GL reused a name for the new ones).
        for (GLuint old : {oldGeometry, oldMaterial}) {
            if (old != shape->geometryList && old != shape->materialList) {
                EXPECT_FALSE(glIsList(old));
            }
        }
        EXPECT_EQ(LiveListCount(), 2);
        ExpectExtent(form.halfX, form.halfY, form.halfZ);
    }
    EXPECT_EQ(shape->modelMatrix[14], 20.0f);
}

TEST_F(ShapeTest, EveryFormFacesOutwards)
{
    // Culling back faces must leave the near surface: with the winding inverted the far
    // surface would show instead.
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    const float tolerance = 0.006f;  // a little over one world unit of depth

    EXPECT_NEAR(VisibleDepthAt(13.0f, 0.0f), DepthOf(7.0f), tolerance);  // top of the tube
    shape->ChangeShape();
    EXPECT_NEAR(VisibleDepthAt(0.0f, 0.0f), DepthOf(17.0f), tolerance);  // sphere's pole
    shape->ChangeShape();
    EXPECT_NEAR(VisibleDepthAt(0.0f, 0.0f), DepthOf(15.0f), tolerance);  // top cap
    EXPECT_NEAR(VisibleDepthAt(10.0f, 5.0f), DepthOf(15.0f), tolerance);
    glPushMatrix();
    glRotatef(180.0f, 1.0f, 0.0f, 0.0f);  // from below: the bottom cap
    EXPECT_NEAR(VisibleDepthAt(0.0f, 0.0f), DepthOf(15.0f), tolerance);
    glPopMatrix();
    glPushMatrix();
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);  // from the side (-y): the wall's near half
    EXPECT_NEAR(VisibleDepthAt(0.0f, 0.0f), DepthOf(13.0f), tolerance);
    glPopMatrix();
}

TEST_F(ShapeTest, CappedCylinderMeetsAtRimAndKeepsMatrix)
{
    shape->ChangeShape();
    shape->ChangeShape();
    ASSERT_EQ(shape->shapeIndex, 2);
    // The list called bare, without Render's own push and pop.
    glTranslatef(3.0f, -2.0f, 1.0f);
    float before[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    glCallList(shape->geometryList);
    float after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(after[i], before[i]) << "element " << i;

    // Rim points (radius 13) of the caps and of the wall at z = +15 and -15, captured under
    // a view tilted 30 degrees about x (so that no wall facet is edge-on) and turned back.
    glLoadIdentity();
    glRotatef(30.0f, 1.0f, 0.0f, 0.0f);
    const auto polygons = CaptureFeedback([&] { shape->DrawGeometry(); });
    const float tilt = 30.0f * 3.14159265f / 180.0f;  // radians
    const float c = std::cos(tilt), s = std::sin(tilt);
    std::vector<std::pair<float, float>> capRim[2], wallRim[2];  // x, y per end
    auto addUnique = [](std::vector<std::pair<float, float>>& points, float x, float y) {
        for (const auto& p : points)
            if (std::fabs(p.first - x) < 1e-3f && std::fabs(p.second - y) < 1e-3f)
                return;
        points.emplace_back(x, y);
    };
    for (const auto& polygon : polygons) {
        std::vector<FeedbackVertex> local;
        for (FeedbackVertex v : polygon) {
            const float y = v.y * c + v.z * s;
            v.z = -v.y * s + v.z * c;
            v.y = y;
            local.push_back(v);
        }
        auto atAnEnd = [](const FeedbackVertex& v) {
            return std::fabs(std::fabs(v.z) - 15.0f) < 1e-3f;
        };
        bool flat = true;  // all at one end: a cap triangle
        for (const auto& v : local) {
            flat = flat && atAnEnd(v) && std::fabs(v.z - local[0].z) < 1e-3f;
            EXPECT_LE(std::hypot(v.x, v.y), 13.0f + 1e-3f);
            EXPECT_LE(std::fabs(v.z), 15.0f + 1e-3f);
        }
        for (const auto& v : local) {
            if (std::fabs(std::hypot(v.x, v.y) - 13.0f) > 1e-3f || !atAnEnd(v))
                continue;
            addUnique((flat ? capRim : wallRim)[v.z > 0 ? 0 : 1], v.x, v.y);
        }
    }
    for (int end = 0; end < 2; ++end) {
        ASSERT_EQ(capRim[end].size(), 24u) << "end " << end;
        ASSERT_EQ(wallRim[end].size(), 24u) << "end " << end;
        for (const auto& p : capRim[end]) {
            size_t before = wallRim[end].size();
            addUnique(wallRim[end], p.first, p.second);
            EXPECT_EQ(wallRim[end].size(), before) << "cap rim point off the wall at end " << end;
        }
    }
}

}  // namespace
