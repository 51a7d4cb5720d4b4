// The default scene's truth file, read for tests: one row per point, each
// field by its header's name.
#pragma once

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
