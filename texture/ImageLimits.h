// The largest picture the image readers accept. Every size a file header can state is checked
// against these before anything is allocated. A side of at most 16384 pixels keeps every size
// product (width x height x 4) far inside 64 bits. The pixel count bounds memory: a load holds
// the 3-byte picture beside its RGBA copy, then the RGBA block beside the driver's copy, at
// most 8 bytes a pixel, so 4096 x 4096 pixels (64 MiB as RGBA) peak near 128 MiB, whatever
// the file (a small run-length file whose rows all share one stored row included).
#pragma once

#include <cstdint>

inline constexpr int32_t kMaxImageDimension = 16384;              // pixels per side
inline constexpr int64_t kMaxImagePixels = int64_t(4096) * 4096;  // width x height
