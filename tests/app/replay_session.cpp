#include "replay_session.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

void Put_Le(std::ostream &out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint32_t Get_Le(const std::string &data, std::size_t at, int bytes)
{
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(data[at + i]);
    return value;
}

std::string Read_File(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace

void Write_Bmp(const std::string &path, int width, int height,
               const std::function<Rgb(int x, int y)> &colour)
{
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    std::ofstream out(path, std::ios::binary);
    out << "BM";
    Put_Le(out, 54 + rowBytes * height, 4);
    Put_Le(out, 0, 4);
    Put_Le(out, 54, 4);
    Put_Le(out, 40, 4);
    Put_Le(out, width, 4);
    Put_Le(out, height, 4);
    Put_Le(out, 1, 2);
    Put_Le(out, 24, 2);
    for (int i = 0; i < 6; ++i)
        Put_Le(out, 0, 4);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            Rgb c = colour(x, y);
            out.put(static_cast<char>(c.b)).put(static_cast<char>(c.g)).put(static_cast<char>(c.r));
        }
        for (int pad = width * 3; pad < rowBytes; ++pad)
            out.put(0);
    }
}

Picture Read_Bmp(const std::string &path)
{
    Picture picture;
    const std::string data = Read_File(path);
    if (data.size() < 54 || data[0] != 'B' || data[1] != 'M')
        return picture;
    const std::uint32_t offset = Get_Le(data, 10, 4);
    const auto width = static_cast<std::int32_t>(Get_Le(data, 18, 4));
    const auto height = static_cast<std::int32_t>(Get_Le(data, 22, 4));
    const int bits = static_cast<int>(Get_Le(data, 28, 2));
    if ((bits != 24 && bits != 32) || width <= 0 || height == 0)
        return picture;
    const bool bottomUp = height > 0;
    const int rows = bottomUp ? height : -height;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * bits / 8 + 3) / 4 * 4;
    if (data.size() < offset + rowBytes * rows)
        return picture;
    picture.width = width;
    picture.height = rows;
    picture.pixels.resize(static_cast<std::size_t>(width) * rows);
    for (int y = 0; y < rows; ++y) {
        const std::size_t row = offset + rowBytes * (bottomUp ? rows - 1 - y : y);
        for (int x = 0; x < width; ++x) {
            const std::size_t at = row + static_cast<std::size_t>(x) * bits / 8;
            picture.pixels[static_cast<std::size_t>(y) * width + x] = {
                static_cast<unsigned char>(data[at + 2]), static_cast<unsigned char>(data[at + 1]),
                static_cast<unsigned char>(data[at])};
        }
    }
    return picture;
}

ReplaySession::ReplaySession()
{
    char pattern[] = "/tmp/quor-vane-test-XXXXXX";
    const char *made = mkdtemp(pattern);
    EXPECT_NE(made, nullptr);
    directory = made ? made : "/tmp";
}

ReplaySession::~ReplaySession()
{
    std::string command = "rm -rf '" + directory + "'";
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "could not remove %s\n", directory.c_str());
}

void ReplaySession::Write_Image(const std::function<Rgb(int x, int y)> &colour, int width,
                                int height)
{
    Write_Bmp(Path("pr8a_c_ds.bmp"), width, height, colour);
}

void ReplaySession::Run(const std::string &script)
{
    {
        std::ofstream out(Path("script.txt"));
        out << script;
    }
    const std::string command =
        "cd '" + directory + "' && '" QV_REPLAY_PROGRAM "' script.txt > stdout.txt 2> stderr.txt";
    const int raw = std::system(command.c_str());
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    out = Read_File(Path("stdout.txt"));
    err = Read_File(Path("stderr.txt"));
}

std::string ReplaySession::Points() const
{
    return Read_File(Path("points.txt"));
}

Picture ReplaySession::Saved(const std::string &name) const
{
    return Read_Bmp(Path(name));
}

std::vector<std::string> ReplaySession::Cursor_Lines() const
{
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("cursor ", 0) == 0)
            lines.push_back(line);
    return lines;
}

std::vector<std::pair<int, int>> Mark_Pixels(int x, int y)
{
    // The cross as the mark walks it: by column offset, then by row offset.
    static const int rows[9][7] = {{-4, -3, 3, 4, 99},
                                   {-4, -3, -2, 2, 3, 4, 99},
                                   {-3, -2, -1, 1, 2, 3, 99},
                                   {-2, -1, 0, 1, 2, 99},
                                   {-1, 0, 1, 99},
                                   {-2, -1, 0, 1, 2, 99},
                                   {-3, -2, -1, 1, 2, 3, 99},
                                   {-4, -3, -2, 2, 3, 4, 99},
                                   {-4, -3, 3, 4, 99}};
    std::vector<std::pair<int, int>> pixels;
    for (int dx = -4; dx <= 4; ++dx)
        for (int k = 0; rows[dx + 4][k] != 99; ++k)
            pixels.emplace_back(x + dx, y + rows[dx + 4][k]);
    return pixels;
}
