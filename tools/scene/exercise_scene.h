// Exercises: scenes made from a seed, of the same boxes and surfaces as the
// default scene, seen through the same cameras. The seed chooses the kind of
// scene, every measure of it and its textures; the same seed gives the same
// scene on every system (integer arithmetic, + - * / and square roots only).
//
// Every exercise holds at least three depth levels and a stepped surface, and
// whatever both pictures show lies within the parallaxes the floating mark
// and automatic height reach.
#pragma once

#include "scene_model.h"

#include <cstdint>

enum ExerciseKind {
    BuildingFront,     // a facade in bays and floors, setbacks above, a wing forward
    TerracedSlope,     // retaining walls stepping up and back, a flight of steps
    BlocksBeforeAWall, // blocks of different heights and depths, some stepped
    ExerciseKinds,
};

// Seeds run from 1 to the largest unsigned 64-bit number; 0 marks the default
// scene's picture.
constexpr std::uint64_t maxExerciseSeed = 18446744073709551615ull;

// Builds the scene of an exercise and returns its kind. The stereo model must
// have been set up: the scene is checked through the cameras.
int Build_Exercise_Scene(Scene &scene, std::uint64_t seed);

// Whether a scene's surfaces, wherever the left view shows them (every eighth
// pixel), lie within 5 columns of exerciseParallax, and whether its faces
// turned towards the cameras stand at three depths or more, each over a
// fiftieth of the picture at least. Build_Exercise_Scene draws the measures
// again until they do.
int Fits_The_Pictures(const Scene &scene);

// The kind in a few words, such as "a terraced slope".
const char *Exercise_Kind_Name(int kind);
