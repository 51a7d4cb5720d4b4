// quor_vane_exercise [--seed N] FOLDER: makes an exercise for a class in
// FOLDER (created if missing): a new stereo scene chosen by the seed, rendered
// through the program's built-in cameras, with its truth and hash for the
// students and a depth picture and a note for the teacher (exercise_files.h).
// Without --seed it chooses a seed and says which. It never writes where a
// pr8a_c_ds.bmp already is.
//
// Exit status: 0 when the exercise was written, 1 when the command line is
// wrong or a folder or file cannot be made (with the system's reason), 2 when
// FOLDER already holds a stereo picture.
#include "exercise_files.h"
#include "exercise_scene.h"
#include "files.h"
#include "model/stereo_model.h"
#include "scene_view.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include <sys/stat.h>
#ifdef _WIN32
#include <direct.h>
#include <process.h>
#else
#include <unistd.h>
#endif

namespace {

const char usageText[] = "usage: quor_vane_exercise [--seed N] FOLDER\n"
                         "       quor_vane_exercise --help | --version\n";

const char helpText[] =
    "\n"
    "Makes an exercise in FOLDER, which is created if missing: a new stereo\n"
    "scene (a building front, a terraced slope or blocks before a wall, its\n"
    "measures and textures chosen by the seed) seen through the program's\n"
    "cameras. For the students: pr8a_c_ds.bmp, pr8a_c_ds_truth.csv (150 points\n"
    "with the mark positions that rest on them) and pr8a_c_ds.sha256; for the\n"
    "teacher: exercise-depth.png and exercise.txt, which tells how to grade.\n"
    "\n"
    "  --seed N   the exercise of seed N, a whole number from 1 to\n"
    "             18446744073709551615; the same seed gives the same files on\n"
    "             every system. Without it a seed of at most nine digits is\n"
    "             chosen and printed.\n"
    "  --help     show this help\n"
    "  --version  show the version\n"
    "\n"
    "Exit status: 0 written, 1 a wrong command line or a folder or file that\n"
    "cannot be made, 2 FOLDER already holds a pr8a_c_ds.bmp.\n";

int Usage()
{
    std::fputs(usageText, stderr);
    return 1;
}

// A whole number from 1 to maxExerciseSeed, in decimal digits only.
bool Parse_Seed(const char *text, std::uint64_t &seed)
{
    seed = 0;
    for (const char *c = text; *c != '\0'; ++c) {
        const unsigned digit = static_cast<unsigned>(*c - '0');
        if (*c < '0' || *c > '9' || seed > (maxExerciseSeed - digit) / 10)
            return false;
        seed = 10 * seed + digit;
    }
    return seed >= 1;
}

// A seed from the clock, the process and where its stack lies, mixed: at
// most nine digits, easy to read out to a class.
std::uint64_t Chosen_Seed()
{
    const int here = 0;
    std::uint64_t z = static_cast<std::uint64_t>(
                          std::chrono::high_resolution_clock::now().time_since_epoch().count()) ^
                      static_cast<std::uint64_t>(std::time(nullptr)) << 20 ^
                      static_cast<std::uint64_t>(getpid()) << 40 ^
                      reinterpret_cast<std::uintptr_t>(&here);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return (z ^ (z >> 31)) % 999999999 + 1;
}

// Makes the folder and any missing folder above it; false, with the reason.
bool Make_Folder(const std::string &folder, std::string &reason)
{
    for (size_t end = 1; end <= folder.size(); ++end) {
        if (end < folder.size() && !Is_Separator(folder[end]))
            continue;
        const std::string part = folder.substr(0, end);
        struct stat info;
        if (stat(part.c_str(), &info) == 0) {
            if (S_ISDIR(info.st_mode))
                continue;
            reason = std::strerror(ENOTDIR);
            return false;
        }
#ifdef _WIN32
        const int made = _mkdir(part.c_str());
#else
        const int made = mkdir(part.c_str(), 0777);
#endif
        if (made != 0 && errno != EEXIST) {
            reason = std::strerror(errno);
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    bool seedGiven = false;
    std::uint64_t seed = 0;
    std::string folder;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg == "--help") {
            std::fputs(usageText, stdout);
            std::fputs(helpText, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("quor_vane_exercise %s\n", QV_VERSION);
            return 0;
        }
        if (arg == "--seed") {
            if (k + 1 == argc || !Parse_Seed(argv[k + 1], seed)) {
                std::fprintf(stderr,
                             "quor_vane_exercise: --seed takes a whole number from 1 to %llu\n",
                             static_cast<unsigned long long>(maxExerciseSeed));
                return Usage();
            }
            seedGiven = true;
            ++k;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "quor_vane_exercise: unknown option %s\n", argv[k]);
            return Usage();
        } else if (folder.empty() && !arg.empty()) {
            folder = arg;
        } else {
            return Usage();
        }
    }
    if (folder.empty())
        return Usage();

    std::string reason;
    if (!Make_Folder(folder, reason)) {
        std::fprintf(stderr, "quor_vane_exercise: cannot make the folder %s: %s\n", folder.c_str(),
                     reason.c_str());
        return 1;
    }
    const std::string picture = folder + "/pr8a_c_ds.bmp";
    struct stat info;
    if (stat(picture.c_str(), &info) == 0 || errno != ENOENT) {
        std::fprintf(stderr,
                     "quor_vane_exercise: %s already holds pr8a_c_ds.bmp; an exercise is made "
                     "only in a folder without a stereo picture\n",
                     folder.c_str());
        return 2;
    }
    if (!seedGiven)
        seed = Chosen_Seed();
    Setup_Stereo_Model();
    Use_Exact_Common_Rotation();
    const std::vector<ExerciseFile> files = Make_Exercise(seed);
    Release_Stereo_Model();
    if (!Write_Exercise(folder, files, reason)) {
        std::fprintf(stderr, "quor_vane_exercise: %s\n", reason.c_str());
        return 1;
    }
    const unsigned long long number = seed;
    std::printf("Exercise %llu written to %s:", number, folder.c_str());
    for (const ExerciseFile &file : files)
        std::printf(" %s", file.name.c_str());
    std::printf("\n");
    if (!seedGiven)
        std::printf("The seed %llu was chosen; quor_vane_exercise --seed %llu FOLDER makes the "
                    "same exercise again.\n",
                    number, number);
    return 0;
}
