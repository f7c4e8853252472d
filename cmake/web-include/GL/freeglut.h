/* The web build's <GL/freeglut.h>: Emscripten ships the standard GLUT declarations only,
   and the program calls nothing beyond them (gl11 defines the solids it draws). */
#include <GL/freeglut_std.h>
