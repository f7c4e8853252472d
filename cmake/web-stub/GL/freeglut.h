/* Temporary: the GLUT declarations the web build compiles against until the GL 1.1 library
   for WebGL 2 is merged; Emscripten ships the standard part only. */
#include <GL/freeglut_std.h>
