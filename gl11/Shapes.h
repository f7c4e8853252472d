// The quadrics and the two solids the program draws, as triangles with smooth unit normals
// and no texture coordinates, emitted through glBegin/glNormal3f/glVertex3f/glEnd only, in
// the order, winding and tessellation that the system's own quadric and solid routines give.
// Slices, sides and rings go around z; stacks and loops step along z or outwards.
#pragma once

namespace gl11 {

// Sphere about the origin, slices >= 3 around z, stacks >= 2 from +z (north) to -z.
void Sphere(double radius, int slices, int stacks);
// Open tube along +z from z = 0 (radius base) to z = height (radius top), normals outwards.
void Cylinder(double base, double top, double height, int slices, int stacks);
// Flat ring in the plane z = 0 facing +z, inner <= outer (inner 0: a full disk).
void Disk(double inner, double outer, int slices, int loops);
// The solid sphere: the same surface as Sphere, tessellated as triangle strips.
void SolidSphere(double radius, int slices, int stacks);
// Torus about z: inner is the tube's radius, outer the ring's (centre to the tube's middle);
// sides around the tube, rings around z.
void SolidTorus(double inner, double outer, int sides, int rings);

}  // namespace gl11
