// Comma-separated tables as the tests read them (the truth files of the
// default scene and of exercises, the grading tool's tables): one map per
// row, each field by its header's name, as text or as a number.
#pragma once

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

template <typename Field> std::vector<std::map<std::string, Field>> Read_Rows(std::istream &&in)
{
    std::vector<std::string> names;
    std::vector<std::map<std::string, Field>> rows;
    for (std::string line, field; std::getline(in, line); rows.emplace_back()) {
        std::istringstream fields(line + ","); // a last empty field too
        for (size_t k = 0; std::getline(fields, field, ','); ++k)
            if (names.size() <= k)
                names.push_back(field);
            else if constexpr (std::is_same_v<Field, double>)
                rows.back()[names[k]] = std::stod(field);
            else
                rows.back()[names[k]] = field;
    }
    rows.resize(rows.size() - !rows.empty()); // the row begun after the last line
    return rows;
}

using TruthRow = std::map<std::string, double>;

inline std::vector<TruthRow> Read_Truth_Rows(const char *path)
{
    return Read_Rows<double>(std::ifstream(path));
}
