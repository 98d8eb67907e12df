#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

// The committed reference files of a test suite (written by the scripts in
// its data/ folder with numpy, scipy and struct). The suite's CMakeLists.txt
// names the folder in TEST_DATA_DIR.
#ifndef TEST_DATA_DIR
#error "TEST_DATA_DIR names the folder of the suite's reference files"
#endif

namespace testdata {

inline std::string Path(const std::string& name) { return std::string(TEST_DATA_DIR) + "/" + name; }

inline std::vector<std::uint8_t> Bytes(const std::string& name) {
    std::ifstream in(Path(name), std::ios::binary);
    if (!in) throw std::runtime_error("missing test data " + name);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Rows of whitespace-separated numbers.
inline std::vector<std::vector<double>> Rows(const std::string& name) {
    std::ifstream in(Path(name));
    if (!in) throw std::runtime_error("missing test data " + name);
    std::vector<std::vector<double>> rows;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream s(line);
        std::vector<double> row;
        double v;
        while (s >> v) row.push_back(v);
        if (!row.empty()) rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace testdata
