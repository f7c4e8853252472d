// The GLU quadric and GLUT calls the program makes. A quadric keeps no style (the program
// never changes it), so it is an empty object; the geometry itself is emitted by Shapes.cpp
// through glBegin/glEnd, so inside a display list it becomes part of the list's buffer.
#include <GL/freeglut.h>
#include <GL/glu.h>

#include "gl11/Shapes.h"

struct GLUquadric {};

extern "C" {

GLUquadric* gluNewQuadric() { return new GLUquadric; }

void gluDeleteQuadric(GLUquadric* quadric) { delete quadric; }

void gluSphere(GLUquadric*, GLdouble radius, GLint slices, GLint stacks)
{
    gl11::Sphere(radius, slices, stacks);
}

void gluCylinder(GLUquadric*, GLdouble base, GLdouble top, GLdouble height, GLint slices,
                 GLint stacks)
{
    gl11::Cylinder(base, top, height, slices, stacks);
}

void gluDisk(GLUquadric*, GLdouble inner, GLdouble outer, GLint slices, GLint loops)
{
    gl11::Disk(inner, outer, slices, loops);
}

void glutInit(int*, char**) {}  // nothing to set up: the shapes need no window system

void glutSolidSphere(double radius, GLint slices, GLint stacks)
{
    gl11::SolidSphere(radius, slices, stacks);
}

void glutSolidTorus(double inner, double outer, GLint sides, GLint rings)
{
    gl11::SolidTorus(inner, outer, sides, rings);
}

}  // extern "C"
