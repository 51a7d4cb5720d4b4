// Runs the program through the headless replay runner in a fresh working
// directory and reads back what it left: exit status, output, the point log
// and saved pictures of the client area. Also the floating mark's shape and
// colour rule, written once for every test that looks at the mark.
#pragma once

#include <functional>
#include <string>
#include <utility>
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

// Pictures: one in which neighbouring pixels differ, so that a pixel written
// back to the wrong place shows, and a uniform grey one.
const auto Texture = [](int x, int y) {
    return Rgb{(x * 7 + y * 3) % 256, (x * 5 + y * 11) % 256, (x + y * 13) % 256};
};
const auto Grey = [](int, int) { return Rgb{90, 90, 90}; };
// Grey levels of white noise, the same at every call for one seed: textures
// without repeats, for matching.
inline int Noise(int x, int y, unsigned seed)
{
    unsigned v = (static_cast<unsigned>(x) * 73856093u) ^ (static_cast<unsigned>(y) * 19349663u) ^
                 (seed * 83492791u);
    v ^= v >> 13, v *= 0x5bd1e995u, v ^= v >> 15;
    return static_cast<int>(v & 0xFF);
}

// Reads a whole file ("" if absent).
std::string Read_File(const std::string &path);
// Writes a 24-bit BMP of the given size; reads a BMP (empty on failure).
void Write_Bmp(const std::string &path, int width, int height,
               const std::function<Rgb(int x, int y)> &colour);
Picture Read_Bmp(const std::string &path);

class ReplaySession {
  public:
    // Creates a fresh working directory in `base`.
    explicit ReplaySession(const std::string &base = "/tmp");
    ~ReplaySession(); // and removes it

    std::string Path(const std::string &name) const { return directory + "/" + name; }
    // The stereo image the program will show.
    void Write_Image(const std::function<Rgb(int x, int y)> &colour, int width = 900,
                     int height = 620)
    {
        Write_Bmp(Path("pr8a_c_ds.bmp"), width, height, colour);
    }
    // Runs one session with the given script lines, its command line led by
    // `prefix` (such as "prlimit --fsize=1024").
    void Run(const std::string &script, const std::string &prefix = "");

    int status = -1; // exit status, or 128 + signal number
    std::string out, err;
    std::string Points() const { return Read_File(Path("points.txt")); }
    // A picture saved by "save NAME".
    Picture Saved(const std::string &name) const { return Read_Bmp(Path(name)); }
    // The lines printed by script lines of one kind ("cursor", "readout", "objects", "window").
    std::vector<std::string> Printed(const std::string &kind) const;
    // What the window showed as text at each "readout" and "read" line: the
    // lines printed, each ended by a newline, without "readout " and "read ";
    // only those of the readout's rows from `fromRow` on, if given.
    std::string Shown(int fromRow = 0) const;

  private:
    std::string directory;
};

// A script line repeated.
inline std::string Times(int count, const std::string &line)
{
    std::string lines;
    while (count-- > 0)
        lines += line;
    return lines;
}

// The client positions of one half of the floating mark centred at (x, y): a
// diagonal cross of 45 pixels in a 9 by 9 box, arms three pixels thick.
std::vector<std::pair<int, int>> Mark_Pixels(int x, int y);
// The colour of a half centred at (x, y) over a background: the left-eye half
// judges the mean red under it, the right-eye half the mean blue; below 175
// its contrast channels are 200, else 50, and its other channels take the mean.
Rgb Half_Colour(const Picture &background, int x, int y, bool leftEye);

// Whether a half of the mark, all of one colour, stands centred at (x, y) on
// a texture where no 45 pixels of that shape are alike.
bool Half_At(const Picture &picture, int x, int y);

// How many of the top-left width by height pixels of two pictures differ,
// the excepted ones aside.
int Differing_Pixels(const Picture &a, const Picture &b, int width, int height,
                     const std::vector<std::pair<int, int>> &except = {});
