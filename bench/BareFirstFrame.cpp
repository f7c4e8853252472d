// The floor under the start-up benchmark: a program that does only what every offscreen run
// must, the same EGL context as the offscreen backend (surfaceless Mesa, desktop GL, RGBA8
// with depth 24 and stencil 8, a 640 x 480 pbuffer), glutInit, and one cleared frame read
// back. bench/light-passes.py times it beside corvane-snapshot --frames 1 and names the
// renderer it prints.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cstdio>

int main(int argc, char** argv)
{
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay)
        return 1;
    EGLDisplay display =
        getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor))
        return 1;
    const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                                 EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                 EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                                 EGL_ALPHA_SIZE, 8, EGL_DEPTH_SIZE, 24, EGL_STENCIL_SIZE, 8,
                                 EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1)
        return 1;
    eglBindAPI(EGL_OPENGL_API);
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    const EGLint size[] = {EGL_WIDTH, 640, EGL_HEIGHT, 480, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, size);
    if (context == EGL_NO_CONTEXT || surface == EGL_NO_SURFACE ||
        !eglMakeCurrent(display, surface, surface, context))
        return 1;
    glutInit(&argc, argv);

    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    GLubyte pixel[4] = {};
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);  // waits for the frame
    const GLubyte* renderer = glGetString(GL_RENDERER);
    std::printf("pixel=%d,%d,%d,%d platform=surfaceless renderer=\"%s\"\n", pixel[0], pixel[1],
                pixel[2], pixel[3], renderer ? reinterpret_cast<const char*>(renderer) : "");

    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroySurface(display, surface);
    eglDestroyContext(display, context);
    eglTerminate(display);
    return 0;
}
