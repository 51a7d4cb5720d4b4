// The largest BMP files the program loads, and how their header fields are
// read. Only the top-left 900 by 620 pixels are ever shown, so anything much
// larger is refused before it is decoded: the loader checks these, and the
// application names them when it refuses a file.
#pragma once

#include <cstdint>

// Width and height each at most this many pixels.
constexpr int64_t Max_Extent = 32768;
// Width times height at most this many pixels (2^25, for example 8192 by 4096).
constexpr int64_t Max_Pixels = int64_t(1) << 25;
// The file at most this many bytes (256 MiB).
constexpr int64_t Max_File_Size = int64_t(1) << 28;

// BMP header fields are little-endian, whatever the machine.
inline uint32_t Read_U16(const unsigned char *p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8;
}

inline uint32_t Read_U32(const unsigned char *p)
{
    return Read_U16(p) | Read_U16(p + 2) << 16;
}
