/* Temporary stand-in for the GL 1.1 library on WebGL 2, so that the web backend and its page
   can be built and tested before that library is merged: the fixed-function calls, GLU and
   the GLUT solids do nothing, and what WebGL 2 has itself (clear, viewport, state switches)
   goes to Emscripten's WebGL calls. The frame is then the clear colour only. */
#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/freeglut.h>

void glMaterialfv(GLenum f, GLenum p, const GLfloat* v) { (void)f; (void)p; (void)v; }
void glMaterialf(GLenum f, GLenum p, GLfloat v) { (void)f; (void)p; (void)v; }
void glLightfv(GLenum l, GLenum p, const GLfloat* v) { (void)l; (void)p; (void)v; }
void glLightf(GLenum l, GLenum p, GLfloat v) { (void)l; (void)p; (void)v; }
void glLightModeli(GLenum p, GLint v) { (void)p; (void)v; }
void glLightModelfv(GLenum p, const GLfloat* v) { (void)p; (void)v; }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { (void)x; (void)y; (void)z; }
void glNormal3f(GLfloat x, GLfloat y, GLfloat z) { (void)x; (void)y; (void)z; }
void glColor3f(GLfloat x, GLfloat y, GLfloat z) { (void)x; (void)y; (void)z; }
void glTexCoord2f(GLfloat s, GLfloat t) { (void)s; (void)t; }
void glBegin(GLenum mode) { (void)mode; }
void glEnd(void) {}
void glPushMatrix(void) {}
void glPopMatrix(void) {}
void glPushAttrib(GLbitfield mask) { (void)mask; }
void glPopAttrib(void) {}
void glMatrixMode(GLenum mode) { (void)mode; }
void glLoadIdentity(void) {}
void glLoadMatrixf(const GLfloat* m) { (void)m; }
void glMultMatrixf(const GLfloat* m) { (void)m; }
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { (void)x; (void)y; (void)z; }
void glRotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) { (void)a; (void)x; (void)y; (void)z; }
void glTexGeni(GLenum c, GLenum p, GLint v) { (void)c; (void)p; (void)v; }
void glTexGenfv(GLenum c, GLenum p, const GLfloat* v) { (void)c; (void)p; (void)v; }
GLuint glGenLists(GLsizei range) { static GLuint next = 1; GLuint first = next; next += (GLuint)range; return first; }
void glNewList(GLuint list, GLenum mode) { (void)list; (void)mode; }
void glEndList(void) {}
void glCallList(GLuint list) { (void)list; }
void glDeleteLists(GLuint list, GLsizei range) { (void)list; (void)range; }
GLUquadric* gluNewQuadric(void) { static int quadric; return (GLUquadric*)&quadric; }
void gluDeleteQuadric(GLUquadric* q) { (void)q; }
void gluDisk(GLUquadric* q, GLdouble a, GLdouble b, GLint c, GLint d) { (void)q; (void)a; (void)b; (void)c; (void)d; }
void gluCylinder(GLUquadric* q, GLdouble a, GLdouble b, GLdouble h, GLint c, GLint d) { (void)q; (void)a; (void)b; (void)h; (void)c; (void)d; }
void gluSphere(GLUquadric* q, GLdouble r, GLint a, GLint b) { (void)q; (void)r; (void)a; (void)b; }
void gluPerspective(GLdouble a, GLdouble b, GLdouble c, GLdouble d) { (void)a; (void)b; (void)c; (void)d; }
void gluLookAt(GLdouble a, GLdouble b, GLdouble c, GLdouble d, GLdouble e, GLdouble f, GLdouble g, GLdouble h, GLdouble i) { (void)a; (void)b; (void)c; (void)d; (void)e; (void)f; (void)g; (void)h; (void)i; }
void glutSolidTorus(double a, double b, GLint c, GLint d) { (void)a; (void)b; (void)c; (void)d; }
void glutSolidSphere(double r, GLint a, GLint b) { (void)r; (void)a; (void)b; }
void glutInit(int* argc, char** argv) { (void)argc; (void)argv; }
