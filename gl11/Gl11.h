// gl11: the OpenGL 1.1 entry points this program calls, drawn with OpenGL ES 3.0. The
// platform hands Load a loader for the ES functions once its context is current; the
// counters let a benchmark see what a frame cost.
#pragma once

namespace gl11 {

using ProcLoader = void* (*)(const char* name);

// Fills the ES function table and resets all emulated state for the current context.
// False when an ES function is missing.
bool Load(ProcLoader loader);

struct Counters {
    unsigned draws, uploads, compiles;  // draw calls, vertex buffer uploads, programs compiled
};
Counters TakeCounters();  // the counts since the last call, which resets them

}  // namespace gl11
