// Writes the hostile BMP files into the directory given, as the fuzzer's seeds.
#include "../hostile_bmp.h"

#include <fstream>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    for (const HostileBmp &file : Hostile_Bmp_Files())
        if (!std::ofstream(std::string(argv[1]) + "/" + file.name, std::ios::binary)
                 .write((const char *)file.bytes.data(), (std::streamsize)file.bytes.size()))
            return 1;
    return 0;
}
