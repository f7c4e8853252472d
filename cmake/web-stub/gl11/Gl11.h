// Temporary: the GL 1.1 library's loader as the web backend calls it, until that library is
// merged. Nothing to load: the stand-in's calls need no entry points.
#pragma once

namespace gl11 {
using ProcLoader = void* (*)(const char*);
inline bool Load(ProcLoader) { return true; }
}  // namespace gl11
