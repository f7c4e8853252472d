// Recording a frame pass by pass. Each pass's picture is read when the next pass begins (or
// the frame ends), so it shows the buffer with that pass and every earlier one drawn. Reads
// only: glGet*, glIsEnabled and glReadPixels, with the pixel-store state put back.
#include "tools/snapshot/PassRecorder.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "app/Globals.h"
#include "platform/offscreen/Offscreen.h"
#include "texture/Texture.h"

namespace {

bool Enabled(GLenum capability) { return glIsEnabled(capability) == GL_TRUE; }

GLint Integer(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

// Reads one buffer of the viewport's size as rows of `channels` bytes, top row first.
std::vector<uint8_t> ReadBuffer(GLenum format, int channels, int* width, int* height)
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    *width = std::max(1, int(viewport[2]));
    *height = std::max(1, int(viewport[3]));
    return platform::offscreen::ReadPixelsTopDown(format, channels, *width, *height);
}

void Drop(std::vector<uint8_t>& pixels) { std::vector<uint8_t>().swap(pixels); }

// A GL constant as passes.txt names it.
const char* Name(GLint value)
{
#define GL_NAME(name) {GL_##name, #name}
    static const std::pair<GLint, const char*> kNames[] = {
        GL_NAME(NEVER), GL_NAME(LESS), GL_NAME(EQUAL), GL_NAME(LEQUAL), GL_NAME(GREATER),
        GL_NAME(NOTEQUAL), GL_NAME(GEQUAL), GL_NAME(ALWAYS), GL_NAME(KEEP), GL_NAME(REPLACE),
        GL_NAME(INCR), GL_NAME(DECR), GL_NAME(INVERT), GL_NAME(ZERO), GL_NAME(ONE),
        GL_NAME(SRC_COLOR), GL_NAME(ONE_MINUS_SRC_COLOR), GL_NAME(DST_COLOR),
        GL_NAME(ONE_MINUS_DST_COLOR), GL_NAME(SRC_ALPHA), GL_NAME(ONE_MINUS_SRC_ALPHA),
        {GL_EYE_LINEAR, "eye-linear"}, {GL_OBJECT_LINEAR, "object-linear"},
        {GL_SPHERE_MAP, "sphere-map"}};
#undef GL_NAME
    for (const auto& [constant, name] : kNames)
        if (constant == value)
            return name;
    return "?";
}

// The file a bound texture was made from, when it is one of the application's three.
std::string TextureName(GLint name)
{
    const Texture* const textures[] = {g_woodTexture, g_floorTexture, g_glassTexture};
    const char* const files[] = {"wood.bmp", "floor.bmp", "stained.bmp"};
    for (int i = 0; i < 3; ++i)
        if (textures[i] && GLint(textures[i]->textureName) == name && name != 0)
            return files[i];
    return "texture-" + std::to_string(name);
}

std::string OnOff(bool on) { return on ? "on" : "off"; }

bool IsMark(ScenePass pass)
{
    return pass == ScenePass::kShadowMark1 || pass == ScenePass::kShadowMark2;
}

}  // namespace

PassState PassState::Read()
{
    PassState s{};
    s.lighting = Enabled(GL_LIGHTING);
    for (int i = 0; i < 3; ++i)
        s.lights[i] = Enabled(GLenum(GL_LIGHT0 + i));
    GLboolean colourMask[4], depthMask = GL_FALSE;
    glGetBooleanv(GL_COLOR_WRITEMASK, colourMask);
    s.colourWrites = colourMask[0] || colourMask[1] || colourMask[2] || colourMask[3];
    s.depthTest = Enabled(GL_DEPTH_TEST);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    s.depthWrites = depthMask == GL_TRUE;
    s.depthFunc = Integer(GL_DEPTH_FUNC);
    s.stencilTest = Enabled(GL_STENCIL_TEST);
    s.stencilFunc = Integer(GL_STENCIL_FUNC);
    s.stencilRef = Integer(GL_STENCIL_REF);
    s.stencilValueMask = Integer(GL_STENCIL_VALUE_MASK);
    s.stencilWriteMask = Integer(GL_STENCIL_WRITEMASK);
    s.stencilOps[0] = Integer(GL_STENCIL_FAIL);
    s.stencilOps[1] = Integer(GL_STENCIL_PASS_DEPTH_FAIL);
    s.stencilOps[2] = Integer(GL_STENCIL_PASS_DEPTH_PASS);
    s.blend = Enabled(GL_BLEND);
    s.blendSrc = Integer(GL_BLEND_SRC);
    s.blendDst = Integer(GL_BLEND_DST);
    s.texture2D = Enabled(GL_TEXTURE_2D);
    s.boundTexture = Integer(GL_TEXTURE_BINDING_2D);
    s.textureFile = TextureName(s.boundTexture);  // while the textures exist
    s.texGen[0] = Enabled(GL_TEXTURE_GEN_S);
    s.texGen[1] = Enabled(GL_TEXTURE_GEN_T);
    s.texGen[2] = Enabled(GL_TEXTURE_GEN_Q);
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &s.texGenModeS);
    s.scissorTest = Enabled(GL_SCISSOR_TEST);
    glGetIntegerv(GL_SCISSOR_BOX, s.scissorBox);
    return s;
}

std::string PassState::Describe() const
{
    std::string lightList, texture = texture2D ? textureFile + "/" : "off";
    for (int i = 0; i < 3; ++i)
        if (lights[i])
            lightList += (lightList.empty() ? "LIGHT" : ",LIGHT") + std::to_string(i);
    if (texture2D && (texGen[0] || texGen[1] || texGen[2]))
        texture += Name(texGenModeS) + std::string("-") + (texGen[0] ? "S" : "") +
                   (texGen[1] ? "T" : "") + (texGen[2] ? "Q" : "");
    else if (texture2D)
        texture += "own-coordinates";
    char stencil[96] = "off", scissor[64] = "off";
    if (stencilTest)
        std::snprintf(stencil, sizeof stencil, "%s/%d/0x%x op=%s/%s/%s writes=0x%x",
                      Name(stencilFunc), int(stencilRef), unsigned(stencilValueMask) & 0xFFu,
                      Name(stencilOps[0]), Name(stencilOps[1]), Name(stencilOps[2]),
                      unsigned(stencilWriteMask) & 0xFFu);
    if (scissorTest)
        std::snprintf(scissor, sizeof scissor, "%d,%d,%dx%d", int(scissorBox[0]),
                      int(scissorBox[1]), int(scissorBox[2]), int(scissorBox[3]));
    return "lighting=" + (lighting ? (lightList.empty() ? "on" : lightList) : "off") +
           " colour-writes=" + OnOff(colourWrites) +
           " depth-test=" + (depthTest ? Name(depthFunc) : "off") +
           " depth-writes=" + OnOff(depthWrites) + " stencil=" + stencil +
           " blend=" + (blend ? std::string(Name(blendSrc)) + "/" + Name(blendDst) : "off") +
           " texture=" + texture + " scissor=" + scissor;
}

const char* PassName(ScenePass pass)
{
    switch (pass) {
    case ScenePass::kShadowMark1:
    case ScenePass::kShadowMark2: return "shadow-marks";
    case ScenePass::kFloorBase: return "floor-base";
    case ScenePass::kFloorLight1: return "floor-light1";
    case ScenePass::kFloorLight2: return "floor-light2";
    case ScenePass::kFloorTexture: return "floor-texture";
    case ScenePass::kShapeBase: return "shape-base";
    case ScenePass::kShapeLight1: return "shape-light1";
    case ScenePass::kShapeLight2: return "shape-light2";
    case ScenePass::kShapeWood: return "shape-wood";
    case ScenePass::kShapeSpecular: return "shape-specular";
    case ScenePass::kLightBodies: return "light-bodies";
    case ScenePass::kGlassPanes: return "glass-panes";
    }
    return "?";
}

std::string PassFileName(size_t index, const PassPicture& picture)
{
    char number[16];
    std::snprintf(number, sizeof number, "%02u-", unsigned(index + 1));
    return number + std::string(PassName(picture.pass));
}

std::string PassesText(const std::vector<PassPicture>& pictures, int frame)
{
    std::string text = kPassesTextStart + std::to_string(frame + 1) + " (" +
                       std::to_string(pictures[0].width) + "x" +
                       std::to_string(pictures[0].height) +
                       "), in drawing order, with the GL state each draws with. light-bodies\n"
                       "# and glass-panes show the state their display lists start from.\n";
    for (size_t i = 0; i < pictures.size(); ++i) {
        const std::string name = PassFileName(i, pictures[i]);
        for (const PassState& state : pictures[i].states)
            text += name.substr(0, 2) + " " + name.substr(3) + " " + state.Describe() + "\n";
    }
    return text;
}

void PassRecorder::ReadPending(bool frameEnds)
{
    PassPicture& picture = current.back();
    if (IsMark(picture.pass)) {
        stencil = ReadBuffer(GL_STENCIL_INDEX, 1, &picture.width, &picture.height);
        return;
    }
    picture.rgb = ReadBuffer(GL_RGB, 3, &picture.width, &picture.height);
    if (sink && !frameEnds) {
        sink(current.size() - 1, picture);
        Drop(picture.rgb);
    }
}

void PassRecorder::PassBegins(ScenePass pass)
{
    if (!recording)
        return;
    if (!inFrame) {
        current.clear();
        stencil.clear();
        inFrame = true;
    }
    if (pass == ScenePass::kShadowMark2 && !current.empty() &&
        current.back().pass == ScenePass::kShadowMark1) {
        current.back().states.push_back(PassState::Read());  // the same picture
        return;
    }
    if (!current.empty())
        ReadPending(false);
    PassPicture picture;
    picture.pass = pass;
    picture.states.push_back(PassState::Read());
    current.push_back(std::move(picture));
}

void PassRecorder::FrameEnds()
{
    if (!recording || !inFrame)
        return;
    inFrame = false;
    if (current.empty())
        return;
    ReadPending(true);
    // The marks over the finished frame, which is the last picture. Handed over, the last
    // picture's pixels become the marks' picture, each pixel changed in place.
    PassPicture& last = current.back();
    if (sink)
        sink(current.size() - 1, last);
    for (size_t index = 0; index + 1 < current.size(); ++index) {
        PassPicture& picture = current[index];
        if (!IsMark(picture.pass))
            continue;
        const size_t pixels = size_t(picture.width) * size_t(picture.height);
        if (last.rgb.size() != pixels * 3 || stencil.size() != pixels)
            break;
        if (sink)
            picture.rgb = std::move(last.rgb);
        else
            picture.rgb = last.rgb;
        for (size_t i = 0; i < pixels; ++i) {
            uint8_t* p = &picture.rgb[i * 3];
            const uint8_t grey = uint8_t((p[0] * 299 + p[1] * 587 + p[2] * 114) / 2000);
            p[0] = (stencil[i] & 1) ? kMarkedLevel : grey;
            p[1] = grey;
            p[2] = (stencil[i] & 2) ? kMarkedLevel : grey;
        }
        if (sink) {
            sink(index, picture);
            Drop(picture.rgb);
        }
        break;  // one picture shows both marks
    }
    if (sink) {
        Drop(last.rgb);
        Drop(stencil);
    }
    finished = std::move(current);
    current.clear();
}
