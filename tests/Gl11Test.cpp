// gl11 on the offscreen ES 3 context: state that whole-frame pictures would not single out.
// Each case draws a small quad with the program's own calls and reads one pixel back, or
// reads gl11's counters.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>

#include "gl11/Gl11.h"
#include "support/GLTestContext.h"

namespace {

using corvane::test::GLTest;

// A quad over the whole viewport at z = 0, facing +z, under identity matrices.
void DrawQuad()
{
    glBegin(GL_TRIANGLE_STRIP);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-1.0f, -1.0f, 0.0f);
    glVertex3f(1.0f, -1.0f, 0.0f);
    glVertex3f(-1.0f, 1.0f, 0.0f);
    glVertex3f(1.0f, 1.0f, 0.0f);
    glEnd();
}

std::array<int, 3> CentrePixel()
{
    GLubyte rgb[3] = {0, 0, 0};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(128, 128, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return {rgb[0], rgb[1], rgb[2]};
}

using Gl11Test = GLTest;

// A light's position is in eye coordinates under the modelview current when it was set:
// set from behind under a half turn, it lights the quad from the front once the modelview
// is back to the identity.
TEST_F(Gl11Test, LightPositionKeepsTheModelviewItWasSetUnder)
{
    glViewport(0, 0, 256, 256);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const float white[4] = {1, 1, 1, 1}, black[4] = {0, 0, 0, 1};
    const float fromBehind[4] = {0.0f, 0.0f, -1.0f, 0.0f};
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
    glLightfv(GL_LIGHT0, GL_POSITION, fromBehind);
    glLoadIdentity();
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    DrawQuad();
    EXPECT_EQ(CentrePixel(), (std::array<int, 3>{255, 255, 255}));
}

// A texture given no picture (internal format 0, as for a missing file) is incomplete: GL 1.1
// draws as if texturing were off, where ES would sample black.
TEST_F(Gl11Test, IncompleteTextureDrawsUntextured)
{
    glViewport(0, 0, 256, 256);
    glClear(GL_COLOR_BUFFER_BIT);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1.0f, 0.0f, 1.0f);
    DrawQuad();
    EXPECT_EQ(CentrePixel(), (std::array<int, 3>{255, 0, 255}));
}

// A display list's vertices are uploaded once, when it is compiled; calling it draws from
// its buffer, its strips joined into one draw, and a second call compiles no program.
TEST_F(Gl11Test, CallingAListUploadsNothing)
{
    glViewport(0, 0, 256, 256);
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    DrawQuad();
    DrawQuad();
    glEndList();
    gl11::TakeCounters();
    glCallList(list);
    const gl11::Counters first = gl11::TakeCounters();
    EXPECT_EQ(first.uploads, 0u);
    EXPECT_EQ(first.draws, 1u);
    glCallList(list);
    EXPECT_EQ(gl11::TakeCounters().compiles, 0u);
    glDeleteLists(list, 1);
}

}  // namespace
