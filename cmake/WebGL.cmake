# The web build's GL: what the program's GL 1.1, GLU and GLUT calls link against under
# Emscripten, as the targets the desktop build finds (OpenGL::GL, OpenGL::GLU, GLUT::GLUT).
# Until the GL 1.1 library for WebGL 2 is in the tree this is a stand-in that draws nothing
# but the clear colour (cmake/web-stub/), so that the page and its tests can be built.
add_library(corvane_web_gl STATIC ${PROJECT_SOURCE_DIR}/cmake/web-stub/GlStub.c)
target_include_directories(corvane_web_gl PUBLIC ${PROJECT_SOURCE_DIR}/cmake/web-stub)
add_library(OpenGL::GL ALIAS corvane_web_gl)
add_library(OpenGL::GLU ALIAS corvane_web_gl)
add_library(GLUT::GLUT ALIAS corvane_web_gl)
