#include "png_file.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO // only the in-memory writer; the file is written below
#include <stb_image_write.h>

#include <cstdio>

namespace {

void Append(void *context, void *data, int size)
{
    auto *bytes = static_cast<std::vector<unsigned char> *>(context);
    const unsigned char *begin = static_cast<const unsigned char *>(data);
    bytes->insert(bytes->end(), begin, begin + size);
}

} // namespace

std::vector<unsigned char> Png_Bytes(int width, int height, int channels,
                                     const unsigned char *pixels)
{
    std::vector<unsigned char> bytes;
    if (!stbi_write_png_to_func(Append, &bytes, width, height, channels, pixels, width * channels))
        bytes.clear();
    return bytes;
}

bool Write_Png(const std::string &path, int width, int height, int channels,
               const unsigned char *pixels)
{
    const std::vector<unsigned char> bytes = Png_Bytes(width, height, channels, pixels);
    if (bytes.empty())
        return false;
    FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
