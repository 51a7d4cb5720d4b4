// Names the program is known by outside its own code: the files in its
// working directory and its window, as other programs (the grading tool, the
// end-to-end driver, the tests) look for them.
#pragma once

// Stereo image, read again on every paint, and the point log, both in the
// working directory.
constexpr char stereoImageFile[] = "pr8a_c_ds.bmp";
constexpr char pointLogFile[] = "points.txt";

// The main window's class and title.
constexpr char windowClassName[] = "QuorVane";
constexpr char windowTitle[] = "Quor Vane";
