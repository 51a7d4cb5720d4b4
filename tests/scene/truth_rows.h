// The truth files of the default scene and of exercises, read for tests: one
// row per point, each field by its header's name; and the bound that whole
// columns allow the space intersection.
#pragma once

#include "model/stereo_model.h"

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using TruthRow = std::map<std::string, double>;

inline std::vector<TruthRow> Read_Truth_Rows(const char *path)
{
    std::ifstream in(path);
    std::vector<std::string> names;
    std::vector<TruthRow> rows;
    for (std::string line, field; std::getline(in, line); rows.emplace_back()) {
        std::istringstream fields(line);
        for (size_t k = 0; std::getline(fields, field, ','); ++k)
            names.size() > k ? void(rows.back()[names[k]] = std::stod(field))
                             : names.push_back(field);
    }
    rows.pop_back(); // the row begun after the last line
    return rows;
}

// How far the space intersection at the nearest whole columns lands from an
// object point seen at fractional columns of a row, and the most that the
// rounding allows: each column's fraction times how far a column's step moves
// the intersection, with 2 % for the steps' curvature.
inline void Intersection_Miss(int row, double left, double right, const double point[3],
                              double &miss, double &bound)
{
    const int l = static_cast<int>(std::lround(left)), r = static_cast<int>(std::lround(right));
    double at[3], leftStep[3], rightStep[3];
    Space_Intersection(row, l, r, &at[0], &at[1], &at[2]);
    Space_Intersection(row, l + 1, r, &leftStep[0], &leftStep[1], &leftStep[2]);
    Space_Intersection(row, l, r + 1, &rightStep[0], &rightStep[1], &rightStep[2]);
    auto Distance = [](const double a[3], const double b[3]) {
        return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
    };
    miss = Distance(at, point);
    bound = 1.02 * (std::fabs(left - l) * Distance(at, leftStep) +
                    std::fabs(right - r) * Distance(at, rightStep)) +
            1e-9;
}
