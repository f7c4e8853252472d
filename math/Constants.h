// Shared read-only constants: vectors, the identity matrix and the opaque colours.
// constexpr, so they are ready before any code runs.
#pragma once

#include <limits>

#include "math/Matrix4.h"
#include "math/Vector3.h"
#include "math/Vector4.h"

inline constexpr float kInfinity = std::numeric_limits<float>::infinity();  // bits 0x7F800000

inline constexpr Vector3 kZeroVector{0.0f, 0.0f, 0.0f};
inline constexpr Vector3 kInfiniteVector{kInfinity, kInfinity, kInfinity};
inline constexpr Vector3 kOrigin{0.0f, 0.0f, 0.0f};
inline constexpr Vector3 kXAxis{1.0f, 0.0f, 0.0f};
inline constexpr Vector3 kYAxis{0.0f, 1.0f, 0.0f};
inline constexpr Vector3 kZAxis{0.0f, 0.0f, 1.0f};

inline constexpr Matrix4 kIdentity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

inline constexpr Vector4 kBlack{{0.0f, 0.0f, 0.0f, 1.0f}};
inline constexpr Vector4 kRed{{1.0f, 0.0f, 0.0f, 1.0f}};
inline constexpr Vector4 kGreen{{0.0f, 1.0f, 0.0f, 1.0f}};
inline constexpr Vector4 kBlue{{0.0f, 0.0f, 1.0f, 1.0f}};
inline constexpr Vector4 kCyan{{0.0f, 1.0f, 1.0f, 1.0f}};
inline constexpr Vector4 kMagenta{{1.0f, 0.0f, 1.0f, 1.0f}};
inline constexpr Vector4 kYellow{{1.0f, 1.0f, 0.0f, 1.0f}};
inline constexpr Vector4 kWhite{{1.0f, 1.0f, 1.0f, 1.0f}};
inline constexpr Vector4 kGrey{{0.5f, 0.5f, 0.5f, 1.0f}};
