// Appending little-endian fields to a byte buffer, for the BMP and ICO files the generator
// writes.
#pragma once

#include <cstdint>
#include <vector>

inline void PutLittle16(std::vector<uint8_t>& out, uint32_t value)  // low 16 bits of value
{
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

inline void PutLittle32(std::vector<uint8_t>& out, uint32_t value)
{
    PutLittle16(out, value & 0xFFFF);
    PutLittle16(out, value >> 16);
}
