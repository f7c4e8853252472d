// What the rendered frame shows: shadows darken only the floor inside them, disabled lights
// leave no trace, the glass colours the light's cone, textures are multiplied in, pausing
// freezes the picture, the shapes cycle, each stencil depth shadows the lights it has bits for,
// each pass adds its part, a frame leaves the GL state as it found it, and limiting the spot
// lights' passes to what their cones reach changes no pixel.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/Globals.h"
#include "app/Resources.h"
#include "objects/CShape.h"
#include "objects/CSpotLight.h"
#include "scene/OrbitCamera.h"
#include "tests/support/SceneFixture.h"
#include "texture/Texture.h"
#include "tools/snapshot/PassRecorder.h"

namespace {

using corvane::test::Image;
using corvane::test::SceneTest;
namespace offscreen = platform::offscreen;

struct WindowPoint {
    int x, y;  // pixels, top row 0
    double depth;
};

// Where a world point lands in the last drawn frame (the modelview then holds the view).
WindowPoint Project(float x, float y, float z)
{
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble wx, wy, wz;
    gluProject(x, y, z, modelview, projection, viewport, &wx, &wy, &wz);
    return {int(wx), viewport[3] - 1 - int(wy), wz};
}

double DepthAt(const WindowPoint& point, int height)
{
    GLfloat depth = 0.0f;
    glReadPixels(point.x, height - 1 - point.y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    return depth;
}

// Where the light's beam axis meets the floor.
WindowPoint BeamOnFloor(const CSpotLight& light)
{
    const Matrix4& m = light.modelMatrix;
    const float s = -m[14] / m[10];
    return Project(m[12] + s * m[8], m[13] + s * m[9], 0.0f);
}

// Mean of (max - min) channel over a square around a point: how coloured the area is.
double Saturation(const Image& image, const WindowPoint& centre, int radius)
{
    double sum = 0.0;
    int count = 0;
    for (int y = centre.y - radius; y <= centre.y + radius; ++y)
        for (int x = centre.x - radius; x <= centre.x + radius; ++x) {
            if (x < 0 || y < 0 || x >= image.width || y >= image.height)
                continue;
            const uint8_t* p = image.At(x, y);
            sum += std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]});
            ++count;
        }
    return count ? sum / count : 0.0;
}

double MeanLuma(const Image& image, const WindowPoint& centre, int radius)
{
    double sum = 0.0;
    int count = 0;
    for (int y = centre.y - radius; y <= centre.y + radius; ++y)
        for (int x = centre.x - radius; x <= centre.x + radius; ++x)
            if (x >= 0 && y >= 0 && x < image.width && y < image.height) {
                sum += image.Luma(x, y);
                ++count;
            }
    return count ? sum / count : 0.0;
}

// Mean absolute channel difference over a square around a point.
double MeanDifference(const Image& first, const Image& second, const WindowPoint& centre,
                      int radius)
{
    double sum = 0.0;
    int count = 0;
    for (int y = centre.y - radius; y <= centre.y + radius; ++y)
        for (int x = centre.x - radius; x <= centre.x + radius; ++x)
            if (x >= 0 && y >= 0 && x < first.width && y < first.height) {
                for (int c = 0; c < 3; ++c)
                    sum += std::abs(first.At(x, y)[c] - second.At(x, y)[c]);
                count += 3;
            }
    return count ? sum / count : 0.0;
}

// Compared in 4 x 4 blocks: llvmpipe's stencil-tested and untested passes sample the
// projected picture a little differently along its lead lines, so single pixels may differ
// by a few levels where nothing of the picture changed.
struct Difference {
    int darker = 0;     // blocks at least 12 luma levels darker in the second image
    int brighter = 0;   // blocks more than 3 levels brighter
    int identical = 0;  // pixels equal in every channel
};

Difference Compare(const Image& first, const Image& second)
{
    Difference difference;
    for (int by = 0; by + 4 <= first.height; by += 4)
        for (int bx = 0; bx + 4 <= first.width; bx += 4) {
            int delta = 0;
            for (int y = by; y < by + 4; ++y)
                for (int x = bx; x < bx + 4; ++x)
                    delta += second.Luma(x, y) - first.Luma(x, y);
            difference.darker += delta <= -12 * 16 ? 1 : 0;
            difference.brighter += delta > 3 * 16 ? 1 : 0;
        }
    for (int y = 0; y < first.height; ++y)
        for (int x = 0; x < first.width; ++x) {
            const uint8_t* a = first.At(x, y);
            const uint8_t* b = second.At(x, y);
            difference.identical += a[0] == b[0] && a[1] == b[1] && a[2] == b[2] ? 1 : 0;
        }
    return difference;
}

// A 4 x 4 flat grey 24-bit BMP in the temporary directory.
std::string WriteGreyBmp()
{
    const std::string path = testing::TempDir() + "grey.bmp";
    uint8_t file[54 + 48] = {'B', 'M'};
    auto put32 = [&file](int offset, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            file[offset + i] = uint8_t(value >> (8 * i));
    };
    put32(2, sizeof file);
    put32(10, 54);
    put32(14, 40);
    put32(18, 4);
    put32(22, 4);
    file[26] = 1;
    file[28] = 24;
    put32(34, 48);
    for (int i = 54; i < int(sizeof file); ++i)
        file[i] = 128;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    std::fwrite(file, 1, sizeof file, out);
    std::fclose(out);
    return path;
}

class ScenePictureTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        light2Time = 0.0f;
        Start();
        Step(1);
    }
};

TEST_F(ScenePictureTest, ShadowsDarkenOnlyTheFloorInsideThem)
{
    SceneOf().ChangeShape();  // the sphere: its centre pixel is the shape's own
    Image withShadows = Draw();
    const WindowPoint centre = Project(0.0f, 0.0f, 20.0f);
    SceneOf().shadow = 0;
    Image without = Draw();

    const Difference difference = Compare(without, withShadows);
    EXPECT_GT(difference.darker, 30) << "the lights cast visible shadows";
    EXPECT_EQ(difference.brighter, 0) << "a shadow never brightens";
    EXPECT_GT(difference.identical, withShadows.width * withShadows.height * 8 / 10)
        << "away from the shadows nothing changes";
    const uint8_t* a = withShadows.At(centre.x, centre.y);
    const uint8_t* b = without.At(centre.x, centre.y);
    EXPECT_TRUE(a[0] == b[0] && a[1] == b[1] && a[2] == b[2]) << "the shape is the same";
}

TEST_F(ScenePictureTest, DisabledSpotLightsLeaveNoTrace)
{
    Scene& scene = SceneOf();
    Draw();
    const WindowPoint lamp1 = Project(scene.light1->modelMatrix[12], scene.light1->modelMatrix[13],
                                      scene.light1->modelMatrix[14]);
    const int height = offscreen::CurrentConfig().clientHeight;
    EXPECT_LE(DepthAt(lamp1, height), lamp1.depth + 1e-4) << "the lamp body is drawn";

    scene.light1Enabled = 0;
    scene.light2Enabled = 0;
    Image withShadows = Draw();
    EXPECT_GT(DepthAt(lamp1, height), lamp1.depth + 1e-4) << "no lamp body";
    scene.shadow = 0;
    Image without = Draw();
    EXPECT_TRUE(withShadows == without) << "no shadow is marked without spot lights";
}

TEST_F(ScenePictureTest, GlassColoursTheConeAndPlainLightDoesNot)
{
    Step(60);  // light 1 swings aside: at the start it hides its own spot from the camera
    Scene& scene = SceneOf();
    scene.light2Enabled = 0;
    scene.shadow = 0;
    scene.shape->modelMatrix[12] = 1000.0f;  // out of sight: the beam falls behind it
    Image glass = Draw();
    const WindowPoint spot = BeamOnFloor(*scene.light1);
    scene.light1Glass = 0;
    Image plain = Draw();
    scene.light1Enabled = 0;
    Image dark = Draw();

    EXPECT_GT(Saturation(glass, spot, 12), Saturation(plain, spot, 12) + 15.0);
    EXPECT_GT(MeanLuma(plain, spot, 12), MeanLuma(dark, spot, 12) + 20.0)
        << "without glass the light still falls on the floor";
    // Seen from inside its beam, the lamp shows its pane only with the glass.
    const Matrix4& m = scene.light1->modelMatrix;
    scene.light1Enabled = 1;
    scene.camera->target = Vector3(m[12], m[13], m[14]);
    scene.camera->eye =
        Vector3(m[12] + 40.0f * m[8], m[13] + 40.0f * m[9], m[14] + 40.0f * m[10]);
    const Image paneless = Draw();
    const WindowPoint lamp = Project(m[12], m[13], m[14]);
    scene.light1Glass = 1;
    EXPECT_GT(MeanDifference(Draw(), paneless, lamp, 8), 20.0);
}

TEST_F(ScenePictureTest, TexturesAreMultipliedIntoTheFloorAndTheShape)
{
    Texture grey(WriteGreyBmp().c_str(), GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT);
    ASSERT_EQ(grey.width, 4);
    Step(60);  // light 1's pane no longer covers the middle of the shape
    SceneOf().ChangeShape();  // the sphere
    Image original = Draw();
    const WindowPoint floorPoint = Project(-40.0f, -40.0f, 0.0f);
    const WindowPoint shapePoint = Project(0.0f, 0.0f, 20.0f);

    Texture* floorTexture = g_floorTexture;
    g_floorTexture = &grey;
    Image greyFloor = Draw();
    g_floorTexture = floorTexture;
    Texture* woodTexture = g_woodTexture;
    g_woodTexture = &grey;
    Image greyShape = Draw();
    g_woodTexture = woodTexture;

    EXPECT_GT(Saturation(original, floorPoint, 8), Saturation(greyFloor, floorPoint, 8) + 5.0);
    EXPECT_FALSE(original == greyFloor);
    EXPECT_GT(MeanDifference(original, greyShape, shapePoint, 6), 10.0);
}

TEST_F(ScenePictureTest, PauseFreezesThePictureButNotTheCamera)
{
    app->OnCommand(kCommandPause);
    Step(1);
    Image first = Draw();
    Step(10);
    EXPECT_TRUE(first == Draw()) << "paused and no keys: nothing moves";
    offscreen::SetKeyDown(platform::Key::kEnd, true);
    Step(5);
    offscreen::SetKeyDown(platform::Key::kEnd, false);
    EXPECT_FALSE(first == Draw()) << "the camera answers keys while paused";
}

TEST_F(ScenePictureTest, ShapesCycleAndRotateOffFreezesTheShape)
{
    Scene& scene = SceneOf();
    scene.light1Moving = 0;
    scene.light2Moving = 0;
    scene.rotate = 0;
    Image torus = Draw();
    Step(10);
    EXPECT_TRUE(torus == Draw()) << "nothing moves with rotation and movement off";
    scene.ChangeShape();
    Image sphere = Draw();
    EXPECT_FALSE(sphere == torus);
    scene.ChangeShape();
    Image cylinder = Draw();
    EXPECT_FALSE(cylinder == sphere);
    EXPECT_FALSE(cylinder == torus);
    scene.ChangeShape();
    EXPECT_TRUE(torus == Draw()) << "three changes bring the torus back";
    scene.rotate = 1;
    Step(10);
    EXPECT_FALSE(torus == Draw());
}

TEST_F(ScenePictureTest, OneStencilBitKeepsLightTwoOnTheFloor)
{
    app->Shutdown();
    app.reset();
    offscreen::Config config;
    config.grantedStencilBits = 1;
    Start(config);
    Step(1);
    Scene& scene = SceneOf();
    ASSERT_EQ(scene.shadow, 1);

    // Light 2 alone: unshadowed, but neither vanished nor masked.
    scene.light1Enabled = 0;
    Image light2Shadowed = Draw();
    scene.shadow = 0;
    EXPECT_TRUE(light2Shadowed == Draw());
    scene.light2Enabled = 0;
    EXPECT_FALSE(light2Shadowed == Draw()) << "light 2 still lights the floor";

    // Light 1 keeps its shadow in the one bit.
    scene.light1Enabled = 1;
    scene.shadow = 1;
    Image light1Shadowed = Draw();
    scene.shadow = 0;
    EXPECT_GT(Compare(Draw(), light1Shadowed).darker, 15);
}

// One stencil bit per shadowed light: two or more bits shadow both lights, as eight do; one
// bit shadows light 1 alone, and the Shadow item is greyed; none shadows nothing. Each depth
// is checked as it starts and in the frame after 60 steps.
TEST_F(ScenePictureTest, EachStencilDepthShadowsTheLightsItHasBitsFor)
{
    struct Depth {
        int bits;
        int shadow;  // as it starts
        bool shadowItemEnabled;
    };
    const Depth depths[] = {{8, 2, true}, {3, 2, true}, {2, 2, true}, {1, 1, false},
                            {0, 0, false}};
    Image eightBits, unshadowed;
    for (const Depth& depth : depths) {
        app->Shutdown();
        app.reset();
        offscreen::Config config;
        config.grantedStencilBits = depth.bits;
        light2Time = 0.0f;
        Start(config);
        EXPECT_EQ(SceneOf().shadow, depth.shadow) << depth.bits;
        EXPECT_EQ(platform::IsMenuItemEnabled(platform::GetWindowMenu(app->window),
                                              kCommandShadow),
                  depth.shadowItemEnabled)
            << depth.bits;
        for (int step = 0; step < 60; ++step) {  // animated as the loop would, drawn once
            offscreen::AdvanceTime(16);
            app->Advance();
        }
        const Image frame = Draw();
        if (depth.bits == 8) {
            eightBits = frame;
            SceneOf().shadow = 0;
            unshadowed = Draw();
            ASSERT_GT(Compare(unshadowed, eightBits).darker, 15) << "both shadows are in view";
        } else if (depth.bits >= 2) {
            EXPECT_TRUE(frame == eightBits) << depth.bits;
        } else if (depth.bits == 1) {
            // Light 2's shadow is lost, and nothing else: light 1's stays.
            const Difference lost = Compare(eightBits, frame);
            EXPECT_GT(lost.brighter, 15);
            EXPECT_EQ(lost.darker, 0);
            EXPECT_GT(Compare(unshadowed, frame).darker, 15) << "light 1's shadow";
        } else {
            EXPECT_TRUE(frame == unshadowed);
        }
    }
}

// A frame recorded pass by pass (corvane-snapshot --passes), by pass name.
struct RecordedFrame {
    std::vector<PassPicture> pictures;

    const PassPicture& operator[](const std::string& name) const
    {
        for (const PassPicture& picture : pictures)
            if (name == PassName(picture.pass))
                return picture;
        ADD_FAILURE() << "no pass " << name;
        static const PassPicture kNone{};
        return kNone;
    }
    std::string Names() const
    {
        std::string names;
        for (const PassPicture& picture : pictures)
            names += (names.empty() ? "" : " ") + std::string(PassName(picture.pass));
        return names;
    }
};

int Luma(const PassPicture& picture, size_t pixel)
{
    const uint8_t* p = &picture.rgb[pixel * 3];
    return (p[0] * 299 + p[1] * 587 + p[2] * 114) / 1000;
}

// The pass pictures tell how the frame comes about: the floor's base pass is uncoloured,
// each light's floor pass only adds light, only inside its scissor box and only outside its
// own shadow bit, the marks are where the finished frame is darker, and the last pass is the
// finished frame.
TEST_F(ScenePictureTest, PassPicturesShowEachPassAddingItsPart)
{
    Step(30);  // both lights' shadows fall on the visible floor
    PassRecorder recorder;
    struct Restore {
        ~Restore() { g_passObserver = nullptr; }
    } restore;
    g_passObserver = &recorder;
    Scene& scene = SceneOf();
    const Image finished = Draw();
    const RecordedFrame shadowed{recorder.Pictures()};
    scene.shadow = 0;
    const Image unshadowed = Draw();
    const RecordedFrame plain{recorder.Pictures()};

    ASSERT_EQ(shadowed.Names(),
              "shadow-marks floor-base floor-light1 floor-light2 floor-texture shape-base "
              "shape-light1 shape-light2 shape-wood shape-specular light-bodies glass-panes");
    EXPECT_EQ(shadowed.pictures[0].states.size(), 2u) << "one mark per light, one picture";
    EXPECT_EQ(plain.Names(), shadowed.Names().substr(std::strlen("shadow-marks ")));
    const PassPicture& last = shadowed.pictures.back();
    EXPECT_TRUE(last.rgb == finished.rgb) << "the last pass is the finished frame";

    const PassPicture& base = shadowed["floor-base"];
    const size_t pixels = size_t(base.width) * size_t(base.height);
    int coloured = 0;
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* p = &base.rgb[i * 3];
        coloured += std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]}) > 1 ? 1 : 0;
    }
    EXPECT_EQ(coloured, 0) << "the base pass has white light only: no glass colours";

    const PassPicture& marks = shadowed["shadow-marks"];
    const char* const lightPasses[2] = {"floor-light1", "floor-light2"};
    const char* const before[2] = {"floor-base", "floor-light1"};
    for (int light = 0; light < 2; ++light) {
        const PassPicture& pass = shadowed[lightPasses[light]];
        const PassPicture& previous = shadowed[before[light]];
        const PassState& state = pass.states[0];
        ASSERT_TRUE(state.scissorTest) << lightPasses[light];
        const int* box = state.scissorBox;  // from the bottom left
        int darker = 0, outsideChanged = 0, inShadowChanged = 0, brighter = 0;
        for (size_t i = 0; i < pixels; ++i) {
            const int x = int(i % size_t(base.width)), y = base.height - 1 - int(i / size_t(base.width));
            const bool inside = x >= box[0] && x < box[0] + box[2] && y >= box[1] && y < box[1] + box[3];
            const bool marked = marks.rgb[i * 3 + (light == 0 ? 0 : 2)] == kMarkedLevel;
            const bool changed = std::memcmp(&pass.rgb[i * 3], &previous.rgb[i * 3], 3) != 0;
            for (int c = 0; c < 3; ++c)
                darker += pass.rgb[i * 3 + c] < previous.rgb[i * 3 + c] ? 1 : 0;
            outsideChanged += !inside && changed ? 1 : 0;
            inShadowChanged += marked && changed ? 1 : 0;
            brighter += changed ? 1 : 0;
        }
        EXPECT_EQ(darker, 0) << lightPasses[light] << " only adds light";
        EXPECT_EQ(outsideChanged, 0) << lightPasses[light] << " stays in its box";
        EXPECT_EQ(inShadowChanged, 0) << lightPasses[light] << " leaves out its shadow";
        EXPECT_GT(brighter, int(pixels / 20)) << lightPasses[light] << " lights the floor";
    }

    // Darker with shadows means marked; marked floor that the light reaches (where the light
    // summed without shadows was not cut off at full brightness) and that nothing covers
    // later is darker.
    const PassPicture& floorDone = shadowed["floor-texture"];
    const PassPicture& plainBase = plain["floor-base"];
    const PassPicture& plainLight1 = plain["floor-light1"];
    const PassPicture& plainLight2 = plain["floor-light2"];
    int darkUnmarked = 0, markedLitNotDarker = 0, markedLit = 0;
    for (size_t i = 0; i < pixels; ++i) {
        const int loss = finished.Luma(int(i % size_t(base.width)), int(i / size_t(base.width))) -
                         unshadowed.Luma(int(i % size_t(base.width)), int(i / size_t(base.width)));
        const bool marked1 = marks.rgb[i * 3] == kMarkedLevel;
        const bool marked2 = marks.rgb[i * 3 + 2] == kMarkedLevel;
        darkUnmarked += loss <= -4 && !marked1 && !marked2 ? 1 : 0;
        const bool covered = std::memcmp(&floorDone.rgb[i * 3], &last.rgb[i * 3], 3) != 0;
        const int light1 = Luma(plainLight1, i) - Luma(plainBase, i);
        const int light2 = Luma(plainLight2, i) - Luma(plainLight1, i);
        const uint8_t* sum = &plainLight2.rgb[i * 3];
        const bool clamped = std::max({sum[0], sum[1], sum[2]}) == 255;  // light lost in it
        const bool lit = ((marked1 && light1 >= 16) || (marked2 && light2 >= 16)) && !clamped;
        if (!covered && lit) {
            ++markedLit;
            markedLitNotDarker += loss >= 0 ? 1 : 0;
        }
    }
    EXPECT_EQ(darkUnmarked, 0);
    EXPECT_GT(markedLit, int(pixels / 50));
    EXPECT_EQ(markedLitNotDarker, 0) << "of " << markedLit;
}

// The state a frame promises to leave as it found it.
struct PromisedState {
    std::vector<GLboolean> enables;
    GLint depthFunc, stencilFunc, stencilRef, stencilValueMask, stencilFail, stencilDepthFail,
        stencilDepthPass, stencilWriteMask, matrixMode, scissorBox[4];
    GLboolean depthMask, colorMask[4];
    GLfloat modelview[16];

    static PromisedState Read()
    {
        static const GLenum kEnables[] = {
            GL_LIGHTING, GL_LIGHT0, GL_LIGHT1, GL_LIGHT2, GL_LIGHT3, GL_DEPTH_TEST,
            GL_STENCIL_TEST, GL_BLEND, GL_TEXTURE_2D, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T,
            GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q, GL_CULL_FACE, GL_POLYGON_OFFSET_FILL,
            GL_COLOR_MATERIAL, GL_NORMALIZE, GL_SCISSOR_TEST};
        PromisedState state;
        for (GLenum enable : kEnables)
            state.enables.push_back(glIsEnabled(enable));
        glGetIntegerv(GL_DEPTH_FUNC, &state.depthFunc);
        glGetIntegerv(GL_STENCIL_FUNC, &state.stencilFunc);
        glGetIntegerv(GL_STENCIL_REF, &state.stencilRef);
        glGetIntegerv(GL_STENCIL_VALUE_MASK, &state.stencilValueMask);
        glGetIntegerv(GL_STENCIL_FAIL, &state.stencilFail);
        glGetIntegerv(GL_STENCIL_PASS_DEPTH_FAIL, &state.stencilDepthFail);
        glGetIntegerv(GL_STENCIL_PASS_DEPTH_PASS, &state.stencilDepthPass);
        glGetIntegerv(GL_STENCIL_WRITEMASK, &state.stencilWriteMask);
        glGetIntegerv(GL_MATRIX_MODE, &state.matrixMode);
        glGetBooleanv(GL_DEPTH_WRITEMASK, &state.depthMask);
        glGetBooleanv(GL_COLOR_WRITEMASK, state.colorMask);
        glGetIntegerv(GL_SCISSOR_BOX, state.scissorBox);
        return state;
    }

    void ExpectEqual(const PromisedState& other, const std::string& when) const
    {
        EXPECT_EQ(enables, other.enables) << when;
        EXPECT_EQ(depthFunc, other.depthFunc) << when;
        EXPECT_EQ(stencilFunc, other.stencilFunc) << when;
        EXPECT_EQ(stencilRef, other.stencilRef) << when;
        EXPECT_EQ(stencilValueMask, other.stencilValueMask) << when;
        EXPECT_EQ(stencilFail, other.stencilFail) << when;
        EXPECT_EQ(stencilDepthFail, other.stencilDepthFail) << when;
        EXPECT_EQ(stencilDepthPass, other.stencilDepthPass) << when;
        EXPECT_EQ(stencilWriteMask, other.stencilWriteMask) << when;
        EXPECT_EQ(matrixMode, other.matrixMode) << when;
        EXPECT_EQ(depthMask, other.depthMask) << when;
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(colorMask[i], other.colorMask[i]) << when;
            EXPECT_EQ(scissorBox[i], other.scissorBox[i]) << when;
        }
    }
};

TEST_F(ScenePictureTest, AFrameLeavesTheStateItFound)
{
    // Every frame is compared with the state right after start-up, before any frame: beside
    // what the previous frame left, a leak would pass once it is there.
    app->Shutdown();
    app.reset();
    offscreen::Teardown();
    Start();
    glScissor(3, 5, 7, 11);  // a box no light pass uses: it must come back
    const PromisedState startUp = PromisedState::Read();
    Scene& scene = SceneOf();
    for (int shadow : {2, 0})
        for (int lights = 0; lights < 4; ++lights)
            for (int glass : {0, 1}) {
                scene.shadow = shadow;
                scene.light1Enabled = lights & 1;
                scene.light2Enabled = lights & 2;
                scene.light1Glass = glass;
                scene.light2Glass = glass;
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
                scene.RenderFrame();
                const std::string when = "shadow " + std::to_string(shadow) + ", lights " +
                                         std::to_string(lights) + ", glass " + std::to_string(glass);
                PromisedState::Read().ExpectEqual(startUp, when);
                EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << when;
            }
}

}  // namespace

namespace {

// A minimised window (zero height), a single pixel and a 4K client all draw whole frames:
// finite projections and no GL errors.
TEST_F(SceneTest, OddClientSizesRenderWithoutErrors)
{
    const int sizes[][2] = {{640, 0}, {0, 0}, {1, 1}, {3840, 2160}};
    for (const auto& size : sizes) {
        offscreen::Config config;
        config.clientWidth = size[0];
        config.clientHeight = size[1];
        Start(config);
        Step(3);
        app->OnCommand(kCommandChangeShape);
        Step(2);
        const std::string when = std::to_string(size[0]) + "x" + std::to_string(size[1]);
        GLfloat projection[16];
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        for (float element : projection)
            ASSERT_TRUE(std::isfinite(element)) << when;
        EXPECT_GT(projection[0], 0.0f) << when;
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << when;
        EXPECT_EQ(app->clientWidth, size[0]);
        EXPECT_EQ(app->clientHeight, size[1]);
        app->Shutdown();
        app.reset();
        offscreen::Teardown();
    }
}

}  // namespace

namespace {

std::vector<uint8_t> ReadRgba(int width, int height)
{
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// Puts a light at a world position with its beam along `beam` (any frame around it will do).
void PlaceLight(Matrix4& m, float x, float y, float z, const Vector3& beam)
{
    const Vector3 side = std::fabs(beam.z) < 0.9f ? Cross(beam, Vector3(0, 0, 1))
                                                  : Cross(beam, Vector3(1, 0, 0));
    Vector3 ySide = side;
    ySide.Normalize();
    Vector3 xSide = Cross(ySide, beam);
    xSide.Normalize();
    Vector3 zSide = beam;
    zSide.Normalize();
    const float columns[4][3] = {{xSide.x, xSide.y, xSide.z}, {ySide.x, ySide.y, ySide.z},
                                 {zSide.x, zSide.y, zSide.z}, {x, y, z}};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 3; ++r)
            m[4 * c + r] = columns[c][r];
}

// Limiting the spot lights' passes to what their cones can reach changes no pixel, colour or
// alpha: frames across a long run of both lights, with every shape, glass and shadows on and
// off, one light off, the camera low, below the floor, at ground level, high, near and far,
// and cones that reach past the horizon or start at or under the floor.
TEST_F(SceneTest, LimitedLightPassesChangeNoPixel)
{
    struct Restore {
        ~Restore() { g_limitLightPasses = true; }
    } restore;
    struct Pose {
        const char* name;
        float azimuth, elevation, distance;  // radians, radians, world units
    };
    const Pose poses[] = {
        {"start", -1.5708f, 0.5764f, 238.5f}, {"low", -1.2f, 0.03f, 150.0f},
        {"below the floor", 0.4f, -0.5f, 120.0f}, {"ground level", 2.0f, -0.45f, 40.0f},
        {"high", -1.5708f, 1.5393804f, 238.5f}, {"near", 3.0f, 0.3f, 5.0f},
        {"far", 0.8f, 0.5f, 900.0f}, {"beyond the far plane", -2.5f, 0.2f, 1100.0f},
    };
    const Vector3 down(0, 0, -1);
    struct Beam {
        const char* name;
        float x, y, z;
        Vector3 beam;
    };
    const Beam beams[] = {
        {"at the horizon", 0, -60, 30, Vector3(0, 1, 0)},
        {"past the horizon", -50, 20, 10, Vector3(1, -0.3f, 0.2f)},
        {"on the floor", 20, 50, 0, Vector3(-1, -1, -0.05f)},
        {"under the floor", 10, 10, -20, down},
        {"straight down", 30, 30, 80, down},
    };
    const int sizes[][2] = {{640, 480}, {1280, 720}, {333, 777}, {1920, 1080}};
    constexpr int kSteps = 640, kEvery = 40;  // 16 frames per size
    int frame = 0;
    for (const auto& size : sizes) {
        offscreen::Config config;
        config.clientWidth = size[0];
        config.clientHeight = size[1];
        light2Time = 0.0f;
        Start(config);
        Scene& scene = SceneOf();
        for (int step = 1; step <= kSteps; ++step) {
            scene.light1Enabled = scene.light2Enabled = 1;  // both move all along
            scene.Animate(0.016f, false);
            if (step % kEvery != 0)
                continue;
            const Pose& pose = poses[frame % 8];
            scene.camera->azimuth = pose.azimuth;
            scene.camera->elevation = pose.elevation;
            scene.camera->distance = pose.distance;
            scene.camera->UpdateFromKeys(0.0f);  // places the eye
            if (frame % 3 == 0)
                scene.ChangeShape();
            scene.shadow = frame % 2 ? 0 : 2;
            scene.light1Glass = frame % 4 != 1;
            scene.light2Glass = frame % 4 != 2;
            scene.light1Enabled = frame % 5 != 3;
            scene.light2Enabled = frame % 5 != 4;
            const Matrix4 light1 = scene.light1->modelMatrix, light2 = scene.light2->modelMatrix;
            std::string what = std::to_string(size[0]) + "x" + std::to_string(size[1]) +
                               ", step " + std::to_string(step) + ", camera " + pose.name +
                               ", shape " + std::to_string(scene.shape->shapeIndex) +
                               ", shadow " + std::to_string(scene.shadow) + ", lights " +
                               std::to_string(scene.light1Enabled) +
                               std::to_string(scene.light2Enabled) + ", glass " +
                               std::to_string(scene.light1Glass) +
                               std::to_string(scene.light2Glass);
            if (frame % 3 == 1) {
                const Beam& beam = beams[frame / 3 % 5];
                Matrix4& m = (frame & 4) ? scene.light2->modelMatrix : scene.light1->modelMatrix;
                PlaceLight(m, beam.x, beam.y, beam.z, beam.beam);
                what += std::string(", light ") + ((frame & 4) ? "2" : "1") + " " + beam.name;
            }

            g_limitLightPasses = true;
            app->DrawFrame();
            const std::vector<uint8_t> limited = ReadRgba(size[0], size[1]);
            g_limitLightPasses = false;
            app->DrawFrame();
            const std::vector<uint8_t> full = ReadRgba(size[0], size[1]);
            scene.light1->modelMatrix = light1;
            scene.light2->modelMatrix = light2;

            int differing = 0, firstX = -1, firstY = -1;
            for (size_t i = 0; i < full.size(); i += 4)
                if (std::memcmp(&full[i], &limited[i], 4) != 0) {
                    if (differing++ == 0) {
                        firstX = int(i / 4) % size[0];
                        firstY = size[1] - 1 - int(i / 4) / size[0];
                    }
                }
            EXPECT_EQ(differing, 0) << what << "; first at (" << firstX << ", " << firstY
                                    << ") from the top left";
            ++frame;
        }
        EXPECT_NEAR(light2Time, kSteps * 0.016f, 1e-3) << "light 2 moved all along";
        app->Shutdown();
        app.reset();
        offscreen::Teardown();
    }
    EXPECT_EQ(frame, 4 * kSteps / kEvery);
}

}  // namespace
