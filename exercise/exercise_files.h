// The files of an exercise, made from its seed: for the students the stereo
// picture pr8a_c_ds.bmp (which carries its seed), its truth
// pr8a_c_ds_truth.csv and its hash pr8a_c_ds.sha256, as for the default
// scene; for the teacher exercise-depth.png, the left view's parallax in
// colours, and exercise.txt, which names the seed and tells how to grade. The
// same seed gives the same bytes on every system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ExerciseFile {
    std::string name;
    std::vector<unsigned char> bytes;
};

// Every file of the exercise of a seed (1 to maxExerciseSeed), the picture
// last.
// The stereo model must have been set up, with Use_Exact_Common_Rotation.
std::vector<ExerciseFile> Make_Exercise(std::uint64_t seed);

// Writes the files into an existing folder. The picture is created only where
// none is; on any failure whatever was written is removed again. False, with
// the reason, if a file cannot be written.
bool Write_Exercise(const std::string &folder, const std::vector<ExerciseFile> &files,
                    std::string &reason);
