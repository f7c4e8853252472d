// Unsigned 16- and 32-bit values from byte arrays in a stated byte order, independent of the
// machine's own order and of alignment. The image readers decode every header field with these.
#pragma once

#include <cstdint>

inline uint16_t LoadLittle16(const uint8_t* bytes)
{
    return uint16_t(bytes[0] | bytes[1] << 8);
}

inline uint32_t LoadLittle32(const uint8_t* bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

inline uint16_t LoadBig16(const uint8_t* bytes)
{
    return uint16_t(bytes[0] << 8 | bytes[1]);
}

inline uint32_t LoadBig32(const uint8_t* bytes)
{
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 |
           uint32_t(bytes[3]);
}
