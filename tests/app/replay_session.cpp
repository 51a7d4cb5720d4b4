#include "replay_session.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include <SDL.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

std::string Read_File(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write_Bmp(const std::string &path, int width, int height,
               const std::function<Rgb(int x, int y)> &colour)
{
    SDL_Surface *surface =
        SDL_CreateRGBSurfaceWithFormat(0, width, height, 24, SDL_PIXELFORMAT_RGB24);
    ASSERT_NE(surface, nullptr) << SDL_GetError();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb c = colour(x, y);
            Uint8 *pixel = static_cast<Uint8 *>(surface->pixels) + y * surface->pitch + 3 * x;
            pixel[0] = Uint8(c.r), pixel[1] = Uint8(c.g), pixel[2] = Uint8(c.b);
        }
    EXPECT_EQ(SDL_SaveBMP(surface, path.c_str()), 0) << SDL_GetError();
    SDL_FreeSurface(surface);
}

Picture Read_Bmp(const std::string &path)
{
    Picture picture;
    SDL_Surface *loaded = SDL_LoadBMP(path.c_str());
    SDL_Surface *rgb =
        loaded ? SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0) : nullptr;
    for (int y = 0; rgb != nullptr && y < rgb->h; ++y)
        for (int x = 0; x < rgb->w; ++x) {
            const Uint8 *pixel = static_cast<const Uint8 *>(rgb->pixels) + y * rgb->pitch + 3 * x;
            picture.pixels.push_back({pixel[0], pixel[1], pixel[2]});
        }
    picture.width = rgb ? rgb->w : 0;
    picture.height = rgb ? rgb->h : 0;
    SDL_FreeSurface(rgb);
    SDL_FreeSurface(loaded);
    return picture;
}

ReplaySession::ReplaySession(const std::string &base)
{
    std::string pattern = base + "/quor-vane-test-XXXXXX";
    directory = mkdtemp(&pattern[0]) ? pattern : "/tmp/quor-vane-test-not-made";
}

ReplaySession::~ReplaySession()
{
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

void ReplaySession::Run(const std::string &script, const std::string &prefix)
{
    std::ofstream(Path("script.txt")) << script;
    // A program that hangs (on a FIFO, say) is ended after a minute.
    const std::string command = "cd '" + directory + "' && " + prefix +
                                " timeout -s KILL 60 '" QV_REPLAY_PROGRAM
                                "' script.txt > stdout.txt 2> stderr.txt";
    const int raw = std::system(command.c_str());
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    out = Read_File(Path("stdout.txt"));
    err = Read_File(Path("stderr.txt"));
}

std::vector<std::string> ReplaySession::Printed(const std::string &kind) const
{
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(kind + " ", 0) == 0)
            lines.push_back(line);
    return lines;
}

std::string ReplaySession::Shown(int fromRow) const
{
    std::string all;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        if ((line.rfind("readout ", 0) == 0 && std::atoi(line.c_str() + 8) >= fromRow) ||
            line.rfind("read ", 0) == 0)
            all += line.substr(line.find(' ') + 1) + "\n";
    return all;
}

std::vector<std::pair<int, int>> Mark_Pixels(int x, int y)
{
    std::vector<std::pair<int, int>> pixels;
    for (int dx = -4; dx <= 4; ++dx)
        for (int dy = -4; dy <= 4; ++dy)
            if (std::abs(dx - dy) <= 1 || std::abs(dx + dy) <= 1)
                pixels.emplace_back(x + dx, y + dy);
    return pixels;
}

Rgb Half_Colour(const Picture &background, int x, int y, bool leftEye)
{
    int sum = 0;
    for (auto [px, py] : Mark_Pixels(x, y))
        sum += leftEye ? background.At(px, py).r : background.At(px, py).b;
    const int mean = sum / 45, contrast = mean < 175 ? 200 : 50;
    return leftEye ? Rgb{contrast, mean, mean} : Rgb{mean, contrast, contrast};
}

bool Half_At(const Picture &picture, int x, int y)
{
    for (auto [px, py] : Mark_Pixels(x, y))
        if (picture.At(px, py) != picture.At(x, y))
            return false;
    return true;
}

int Differing_Pixels(const Picture &a, const Picture &b, int width, int height,
                     const std::vector<std::pair<int, int>> &except)
{
    int differences = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            differences += a.At(x, y) != b.At(x, y) &&
                           std::find(except.begin(), except.end(), std::pair{x, y}) == except.end();
    return differences;
}
