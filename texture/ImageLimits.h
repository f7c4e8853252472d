// The largest picture the image readers accept. Every size a file header can state is checked
// against this before anything is allocated: 16384 x 16384 pixels of 4 bytes is 1 GiB, so no
// size product (width x height x 4) can overflow even a 32-bit unsigned value.
#pragma once

#include <cstdint>

inline constexpr int32_t kMaxImageDimension = 16384;  // pixels per side
