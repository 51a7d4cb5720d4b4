// The largest BMP files the program loads. Only the top-left 900 by 620 pixels
// are ever shown, so anything much larger is refused before it is decoded: the
// loader checks these, and the application names them when it refuses a file.
#pragma once

#include <cstdint>

// Width and height each at most this many pixels.
constexpr int64_t Max_Extent = 32768;
// Width times height at most this many pixels (2^25, for example 8192 by 4096).
constexpr int64_t Max_Pixels = int64_t(1) << 25;
// The file at most this many bytes (256 MiB).
constexpr int64_t Max_File_Size = int64_t(1) << 28;
