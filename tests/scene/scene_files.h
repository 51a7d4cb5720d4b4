// Readers for the rendered stereo image and its ground-truth list, written
// from the file formats alone.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

inline std::vector<unsigned char> Read_File_Bytes(const char *path)
{
    std::vector<unsigned char> bytes;
    FILE *f = std::fopen(path, "rb");
    if (!f)
        return bytes;
    unsigned char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(f);
    return bytes;
}

inline unsigned Le(const std::vector<unsigned char> &b, size_t at, int bytes)
{
    unsigned v = 0;
    for (int k = bytes - 1; k >= 0; --k)
        v = (v << 8) | b[at + k];
    return v;
}

// One channel per colour, top row first, as the picture is shown.
struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> red, green, blue;
    int Red(int column, int row) const { return red[row * width + column]; }
};

// Reads an uncompressed 24-bit bitmap stored bottom row first; leaves the
// picture empty for anything else.
inline Picture Read_Bitmap(const std::vector<unsigned char> &b)
{
    Picture p;
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || Le(b, 28, 2) != 24 || Le(b, 30, 4) != 0)
        return p;
    const int width = static_cast<int>(Le(b, 18, 4));
    const int height = static_cast<int>(Le(b, 22, 4));
    const size_t offset = Le(b, 10, 4);
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    if (width <= 0 || height <= 0 || offset + stride * height > b.size())
        return p;
    p.width = width;
    p.height = height;
    p.red.resize(static_cast<size_t>(width) * height);
    p.green.resize(p.red.size());
    p.blue.resize(p.red.size());
    for (int row = 0; row < height; ++row) {
        const size_t line = offset + stride * (height - 1 - row);
        for (int column = 0; column < width; ++column) {
            const size_t k = static_cast<size_t>(row) * width + column;
            p.blue[k] = b[line + 3 * column];
            p.green[k] = b[line + 3 * column + 1];
            p.red[k] = b[line + 3 * column + 2];
        }
    }
    return p;
}

// A comma-separated table with a header line, every field a number.
struct Table {
    std::map<std::string, size_t> column;
    std::vector<std::vector<double>> rows;
    double At(size_t row, const char *name) const { return rows[row].at(column.at(name)); }
    int Int(size_t row, const char *name) const { return static_cast<int>(At(row, name)); }
};

inline std::vector<std::string> Split_Fields(const std::string &line)
{
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, ','))
        fields.push_back(field);
    return fields;
}

inline Table Read_Table(const char *path)
{
    Table t;
    const std::vector<unsigned char> bytes = Read_File_Bytes(path);
    std::stringstream in(std::string(bytes.begin(), bytes.end()));
    std::string line;
    if (!std::getline(in, line))
        return t;
    const std::vector<std::string> names = Split_Fields(line);
    for (size_t k = 0; k < names.size(); ++k)
        t.column[names[k]] = k;
    while (std::getline(in, line)) {
        std::vector<double> values;
        for (const std::string &field : Split_Fields(line))
            values.push_back(std::strtod(field.c_str(), nullptr));
        if (values.size() == names.size())
            t.rows.push_back(values);
    }
    return t;
}
