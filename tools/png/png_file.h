// PNG files of 8-bit pixels, top row first, written the same way on every
// system the programs build for.
#pragma once

#include <string>
#include <vector>

// The PNG of width by height pixels of the given number of channels (3: RGB,
// 4: RGBA, straight alpha); empty if it cannot be made.
std::vector<unsigned char> Png_Bytes(int width, int height, int channels,
                                     const unsigned char *pixels);

// The same written to a file; false if it cannot be made or written.
bool Write_Png(const std::string &path, int width, int height, int channels,
               const unsigned char *pixels);
