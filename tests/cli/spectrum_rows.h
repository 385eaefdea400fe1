// The lines of a spectrum export and its value rows, for the tests that check exports number by
// number.
#pragma once

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace cli_test {

// The file's lines without their line ends.
inline std::vector<std::string> ExportLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::istringstream in(bytes);
    for (std::string l; std::getline(in, l);) {
        if (!l.empty() && l.back() == '\r') {
            l.pop_back();
        }
        lines.push_back(l);
    }
    return lines;
}

// Index of the first value row ("FREQHz, VALUE"): the line after "deltaF:"; lines.size() when
// there is none.
inline std::size_t FirstRow(const std::vector<std::string>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("deltaF:", 0) == 0) {
            return i + 1;
        }
    }
    return lines.size();
}

// The values of the rows, row 1 first (the first bin above DC), up to the closing "END:".
inline std::vector<double> ExportValues(const std::vector<std::string>& lines) {
    std::vector<double> values;
    for (std::size_t i = FirstRow(lines); i < lines.size() && lines[i] != "END:"; ++i) {
        const std::size_t comma = lines[i].find(", ");
        values.push_back(
            comma == std::string::npos ? -1.0 : std::strtod(lines[i].c_str() + comma + 2, nullptr));
    }
    return values;
}

} // namespace cli_test
