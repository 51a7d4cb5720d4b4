// The scene that a stereo picture shows, as the grading tool finds it: the
// default scene, known by the picture's hash that the build compiles in, or
// an exercise. An exercise's picture carries its seed (Anaglyph_Bmp); it is
// graded when the pr8a_c_ds.sha256 beside it
// holds its hash, its pixels are those the seed's scene renders (every
// sixteenth row and column of both views: a few milliseconds, where the whole
// picture would take a second), and the truth file beside it lists that
// scene's points.
#pragma once

#include "scene_model.h"

#include <cstdint>
#include <string>

struct GradedScene {
    bool isDefault = false; // the default scene
    std::uint64_t seed = 0; // the seed the picture carries, 0 if none
    int kind = 0;           // an exercise's ExerciseKind
    Scene scene;
    std::string image; // the picture file's bytes
};

enum SceneCheck {
    SceneFound = 0,
    SceneUnreadable = 1, // a file cannot be read
    SceneForeign = 2,    // the picture is not one that can be graded, or its truth not its own
};

// Reads the picture and finds its scene; a SceneCheck, with the reason (a
// whole sentence, the file named) when it is not SceneFound. What it found
// out stays in graded also then. The stereo model must have been set up,
// with Use_Exact_Common_Rotation.
int Find_Graded_Scene(const std::string &imagePath, const char *defaultHash, GradedScene &graded,
                      std::string &reason);

// "the default scene" or "exercise 17 (a terraced slope)".
std::string Graded_Scene_Name(const GradedScene &graded);
