// Runs the program through the headless replay runner in a fresh working
// directory and reads back what it left: exit status, output, the point log
// and saved pictures of the client area.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb &o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb &o) const { return !(*this == o); }
};

// A picture as rows of pixels, top row first.
struct Picture {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;
    Rgb At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    bool Empty() const { return pixels.empty(); }
};

// Writes a 24-bit BMP of the given size.
void Write_Bmp(const std::string &path, int width, int height,
               const std::function<Rgb(int x, int y)> &colour);
// Reads a BMP; empty on failure.
Picture Read_Bmp(const std::string &path);

class ReplaySession {
  public:
    ReplaySession();  // creates a fresh working directory
    ~ReplaySession(); // and removes it

    std::string Path(const std::string &name) const { return directory + "/" + name; }
    // The stereo image the program will show.
    void Write_Image(const std::function<Rgb(int x, int y)> &colour, int width = 900,
                     int height = 620);

    // Runs one session with the given script lines.
    void Run(const std::string &script);

    int status = -1; // exit status, or 128 + signal number
    std::string out, err;
    std::string Points() const;                   // points.txt, or "" if absent
    Picture Saved(const std::string &name) const; // a picture saved by "save NAME"
    // The lines printed by script lines of one kind ("cursor", "text", "objects").
    std::vector<std::string> Printed(const std::string &kind) const;

  private:
    std::string directory;
};

// The client positions of one half of the floating mark centred at (x, y).
std::vector<std::pair<int, int>> Mark_Pixels(int x, int y);

// Whether (x, y) lies in the 9 by 9 box of a mark half centred at (cx, cy).
inline bool In_Mark_Box(int cx, int cy, int x, int y)
{
    return x >= cx - 4 && x <= cx + 4 && y >= cy - 4 && y <= cy + 4;
}

// How many pixels of two pictures of one size differ where skip is false
// (all of them if the sizes differ); the first few are reported.
int Differing_Pixels(const Picture &a, const Picture &b,
                     const std::function<bool(int x, int y)> &skip);
