// Writes the hostile BMP files afresh into the directory given, as the fuzzer's
// seeds: all but the one that decodes to the largest picture accepted, whose
// mutants would allocate 384 MiB in every run and slow fuzzing a hundredfold.
#include "../hostile_bmp.h"

#include <filesystem>
#include <fstream>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    std::filesystem::remove_all(argv[1]);
    std::filesystem::create_directories(argv[1]);
    for (const HostileBmp &file : Hostile_Bmp_Files())
        if (file.name != "rle8-pixel-limit.bmp" &&
            !std::ofstream(std::string(argv[1]) + "/" + file.name, std::ios::binary)
                 .write((const char *)file.bytes.data(), (std::streamsize)file.bytes.size()))
            return 1;
    return 0;
}
