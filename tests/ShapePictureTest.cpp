// Pictures of the scene objects, rendered lit in perspective into the offscreen back buffer
// and saved as PNG files in the test temporary directory for a person to look at: the three
// shape forms (textured two-pass material list) and a lamp with its glass pane over a floor. The assertions check
// what any correct picture shows: coverage, a black background, the lit side brighter.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "DrawableTestSupport.h"
#include "app/Globals.h"
#include "objects/CFloor.h"
#include "objects/CShape.h"
#include "objects/CSpotLight.h"
#include "platform/offscreen/Offscreen.h"
#include "support/GLTestContext.h"
#include "tools/png/PngFile.h"

namespace {

using namespace corvane::test;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // top row first

    const uint8_t* At(int x, int y) const  // y counted from the bottom, as GL does
    {
        return &rgb[(size_t(height - 1 - y) * size_t(width) + size_t(x)) * 3];
    }
    int Luma(int x, int y) const
    {
        const uint8_t* p = At(x, y);
        return (p[0] * 299 + p[1] * 587 + p[2] * 114) / 1000;
    }
};

class ShapePictureTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        // The application's fixed state: depth test with redraw at equal depth, back faces
        // culled with counter-clockwise front faces, lighting on.
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        glFrontFace(GL_CCW);
        glEnable(GL_LIGHTING);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        glViewport(0, 0, kViewSize, kViewSize);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(40.0, 1.0, 10.0, 500.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    void TearDown() override
    {
        g_woodTexture = g_floorTexture = g_glassTexture = nullptr;
        GLTest::TearDown();
    }

    // Looks from `eye` at `target`, z up, and sets GL_LIGHT0 as a white directional light
    // coming from `towardsLight` (world coordinates).
    static void View(const float eye[3], const float target[3], const float towardsLight[3])
    {
        glLoadIdentity();
        gluLookAt(eye[0], eye[1], eye[2], target[0], target[1], target[2], 0.0, 0.0, 1.0);
        const float position[4] = {towardsLight[0], towardsLight[1], towardsLight[2], 0.0f};
        glEnable(GL_LIGHT0);
        glLightfv(GL_LIGHT0, GL_POSITION, position);
    }

    // Window pixel of a world point under the current matrices.
    static void Project(const float p[3], int* x, int* y)
    {
        double model[16], projection[16], wx, wy, wz;
        int viewport[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, model);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
        gluProject(p[0], p[1], p[2], model, projection, viewport, &wx, &wy, &wz);
        *x = static_cast<int>(wx);
        *y = static_cast<int>(wy);
    }

    static Picture Save(const std::string& name)
    {
        Picture picture;
        picture.rgb = platform::offscreen::ReadBackBufferRgb(&picture.width, &picture.height);
        EXPECT_TRUE(WritePng(testing::TempDir() + "corvane-obj-" + name + ".png", picture.width, picture.height,
                             picture.rgb));
        return picture;
    }
};

// The surface point of each form whose outward normal is the unit vector n.
void SurfacePoint(int shapeIndex, const float n[3], float p[3])
{
    const float flat = std::hypot(n[0], n[1]);
    for (int i = 0; i < 3; ++i) {
        switch (shapeIndex) {
        case 0:  // torus: the ring's centre line (radius 13) plus the tube radius 7
            p[i] = (i < 2 ? 13.0f * n[i] / flat : 0.0f) + 7.0f * n[i];
            break;
        case 1:
            p[i] = 17.0f * n[i];
            break;
        default:  // the cylinder's wall at mid height
            p[i] = i < 2 ? 13.0f * n[i] / flat : 0.0f;
            break;
        }
    }
}

TEST_F(ShapePictureTest, ShapesAreLitAndRightSideOut)
{
    auto wood = LoadTestTexture(WriteSolidBmp("wood", 200, 140, 80), GL_LINEAR);
    g_woodTexture = wood.get();
    CShape shape(nullptr);
    shape.Update();
    const char* names[] = {"torus", "sphere", "cylinder"};
    const float eye[3] = {0.0f, -90.0f, 60.0f};
    const float target[3] = {0.0f, 0.0f, 0.0f};
    const float towardsLight[3] = {-1.0f, -1.0f, 1.0f};  // from the upper left, in front
    for (int index = 0; index < 3; ++index) {
        SCOPED_TRACE(names[index]);
        ASSERT_EQ(shape.shapeIndex, index);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        View(eye, target, towardsLight);
        shape.Render();
        const Picture picture = Save(names[index]);
        ASSERT_EQ(picture.width, kViewSize);

        EXPECT_EQ(picture.Luma(2, 2), 0);  // background corner
        // Points facing the camera, turned towards the light on the left and away from it
        // on the right; with inverted faces the far side would show, lit the other way round.
        const float left[3] = {-0.7071f, -0.7071f, 0.0f};
        const float right[3] = {0.7071f, -0.7071f, 0.0f};
        float point[3];
        int lx, ly, rx, ry;
        SurfacePoint(index, left, point);
        Project(point, &lx, &ly);
        SurfacePoint(index, right, point);
        Project(point, &rx, &ry);
        EXPECT_GT(picture.Luma(lx, ly), 100);
        EXPECT_GT(picture.Luma(lx, ly), picture.Luma(rx, ry) + 50);
        EXPECT_GT(picture.Luma(rx, ry), 0);  // unlit but ambient: still the wood colour
        const uint8_t* lit = picture.At(lx, ly);
        EXPECT_GT(lit[0], lit[2]);  // wood: more red than blue
        // The ring is open in the middle (the view line through its centre misses the tube
        // at this height); the solids cover the centre.
        const int centre = picture.Luma(kViewSize / 2, kViewSize / 2);
        if (index == 0)
            EXPECT_EQ(centre, 0);
        else
            EXPECT_GT(centre, 0);
        shape.ChangeShape();
    }
}

TEST_F(ShapePictureTest, LampWithGlassPaneOverFloor)
{
    // Glass picture in quadrants: red bottom left, green bottom right, blue top left,
    // yellow top right (rows bottom first).
    std::vector<uint8_t> glass;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool right = x >= 2, top = y >= 2;
            const uint8_t r = (!right && !top) || (right && top) ? 255 : 0;
            const uint8_t g = (right && !top) || (right && top) ? 255 : 0;
            const uint8_t b = (!right && top) ? 255 : 0;
            glass.insert(glass.end(), {r, g, b});
        }
    auto glassTexture = LoadTestTexture(WriteBmp("stained", 4, 4, glass));
    auto floorTexture = LoadTestTexture(WriteSolidBmp("floor", 220, 220, 220), GL_LINEAR);
    g_glassTexture = glassTexture.get();
    g_floorTexture = floorTexture.get();

    CFloor floor(nullptr);
    floor.Update();
    // Hanging 45 units up, shining down and tilted 30 degrees towards the camera (-y).
    CSpotLight lamp(nullptr, GL_LIGHT1);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, 45.0f);
    glRotatef(180.0f - 30.0f, 1.0f, 0.0f, 0.0f);
    glGetFloatv(GL_MODELVIEW_MATRIX, lamp.modelMatrix.m);
    lamp.Update();

    // From above and in front, so that the floor lies behind the pane.
    const float eye[3] = {12.0f, -45.0f, 80.0f};
    const float target[3] = {0.0f, -6.0f, 32.0f};
    const float towardsLight[3] = {-0.3f, -0.5f, 1.0f};
    View(eye, target, towardsLight);
    const float dim[4] = {0.3f, 0.3f, 0.3f, 1.0f};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, dim);
    lamp.ApplyLight();
    glEnable(GL_LIGHT1);
    floor.Render();
    lamp.Render();
    lamp.RenderGlass();
    const Picture picture = Save("lamp");

    EXPECT_EQ(picture.Luma(2, picture.height - 3), 0);  // beyond the floor's far edge
    // Seen through the pane, floor and glass take the colour of each quadrant; local (3, 3, 12)
    // has s = t = 0.25 (red), local (-3, 3, 12) has s = -0.25, wrapping to the green half.
    auto paneColour = [&](float lx, float ly) {
        const Matrix4& m = lamp.modelMatrix;
        float world[3];
        for (int r = 0; r < 3; ++r)
            world[r] = m[r] * lx + m[4 + r] * ly + m[8 + r] * 12.0f + m[12 + r];
        int px, py;
        Project(world, &px, &py);
        return picture.At(px, py);
    };
    const uint8_t* red = paneColour(3.0f, 3.0f);
    EXPECT_GT(red[0], red[1] + 40);
    EXPECT_GT(red[0], red[2] + 40);
    const uint8_t* green = paneColour(-3.0f, 3.0f);
    EXPECT_GT(green[1], green[0] + 40);
    EXPECT_GT(green[1], green[2] + 40);
}

TEST_F(ShapePictureTest, LampSeenIntoItsShade)
{
    // The lamp at the origin shining along world -y, seen 45 degrees off its axis: the bulb
    // shows inside the shade's opening, the pane beside it against the black background.
    CSpotLight lamp(nullptr, GL_LIGHT2);
    glLoadIdentity();
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    glGetFloatv(GL_MODELVIEW_MATRIX, lamp.modelMatrix.m);
    lamp.Update();  // no glass picture: the pane shows the light alone
    const float eye[3] = {-30.0f, -30.0f, 4.0f};
    const float target[3] = {0.0f, -5.0f, 0.0f};
    const float towardsLight[3] = {-1.0f, -0.5f, 1.0f};
    View(eye, target, towardsLight);
    lamp.ApplyLight();
    lamp.Render();
    lamp.RenderGlass();
    const Picture picture = Save("lamp-front");

    EXPECT_EQ(picture.Luma(2, 2), 0);
    // The bulb is drawn unlit in its own colour (1, 1, 0.9).
    const float bulb[3] = {0.0f, 0.0f, 0.0f};
    int x, y;
    Project(bulb, &x, &y);
    const uint8_t* bulbPixel = picture.At(x, y);
    EXPECT_NEAR(bulbPixel[0], 255, 2);
    EXPECT_NEAR(bulbPixel[1], 255, 2);
    EXPECT_NEAR(bulbPixel[2], 229, 3);
    // The shade's outside, lit from the side facing the light, is neither black nor white.
    const float shade[3] = {-2.0f, 1.5f, 0.0f};  // local (-2, 0, -1.5): the shade's wall
    Project(shade, &x, &y);
    EXPECT_GT(picture.Luma(x, y), 20);
    EXPECT_LT(picture.Luma(x, y), 250);
    // The pane's centre, on the light's axis, is lit white; its corners carry only the
    // glass's own glow.
    const float paneCentre[3] = {0.0f, -12.0f, 0.0f};
    Project(paneCentre, &x, &y);
    EXPECT_GT(picture.Luma(x, y), 200);
    const float paneCorner[3] = {5.5f, -12.0f, 5.5f};
    Project(paneCorner, &x, &y);
    EXPECT_NEAR(picture.Luma(x, y), 51, 8);
}

}  // namespace
