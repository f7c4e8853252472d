// PassRecorder: a scene pass observer that keeps, for one frame, the picture after each pass
// and the GL state each pass drew with, for corvane-snapshot --passes and the picture tests.
// The two shadow marks make one picture, of the stencil buffer: see ShadowMarksPicture.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scene/PassObserver.h"

// What GL reports as a pass begins.
struct PassState {
    bool lighting, lights[3];  // GL_LIGHTING, GL_LIGHT0 to GL_LIGHT2
    bool colourWrites;         // any channel
    bool depthTest, depthWrites;
    GLint depthFunc;
    bool stencilTest;
    GLint stencilFunc, stencilRef, stencilValueMask, stencilWriteMask, stencilOps[3];
    bool blend;
    GLint blendSrc, blendDst;
    bool texture2D;
    GLint boundTexture;
    std::string textureFile;  // "wood.bmp", "floor.bmp", "stained.bmp" or "texture-N"
    bool texGen[3];          // S, T, Q
    GLint texGenModeS;
    bool scissorTest;
    GLint scissorBox[4];     // x, y from the bottom left, width, height, in pixels

    static PassState Read();
    // One line of key=value words, e.g. "blend=ONE/ONE depth-test=off ...".
    std::string Describe() const;
};

struct PassPicture {
    ScenePass pass;                // the marks' picture names the first mark
    std::vector<PassState> states; // the GL passes it shows: two for both shadow marks
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;      // tightly packed, top row first
};

// "shadow-marks", "floor-base", ... "glass-panes": both marks share one name.
const char* PassName(ScenePass pass);
// "01-shadow-marks", ...: the file name of picture `index` (0-based) without ".png".
std::string PassFileName(size_t index, const PassPicture& picture);
// passes.txt for the PICTURES of idle frame FRAME (0-based, written 1-based): two lines that
// begin with '#', the first with kPassesTextStart, then a line per GL pass in drawing order:
// its picture's number, its name and its state ("01 shadow-marks lighting=off ...").
constexpr char kPassesTextStart[] = "# The passes of frame ";
std::string PassesText(const std::vector<PassPicture>& pictures, int frame);

// The colours of the shadow-marks picture: a pixel whose red is 255 has stencil bit 0 (light
// 1's shadow), one whose blue is 255 bit 1 (light 2's); elsewhere, and in the other channels,
// the finished frame shows through in grey at half brightness (at most 127).
constexpr uint8_t kMarkedLevel = 255;

class PassRecorder : public PassObserver {
public:
    // Frames are recorded while this is set; each one replaces the last.
    bool recording = true;
    // When set, each picture is handed over as soon as it is complete and its pixels are then
    // dropped, so at most one full-size picture is held at a time: in drawing order, the last
    // at the frame's end, then the shadow marks' (drawn from the last one's pixels). Pictures()
    // then holds the states and sizes only.
    std::function<void(size_t index, const PassPicture& picture)> sink;

    void PassBegins(ScenePass pass) override;
    void FrameEnds() override;

    // The last frame recorded to its end, in drawing order; empty before one.
    const std::vector<PassPicture>& Pictures() const { return finished; }

private:
    void ReadPending(bool frameEnds);

    std::vector<PassPicture> current, finished;
    std::vector<uint8_t> stencil;  // as the marks left it, top row first
    bool inFrame = false;
};
