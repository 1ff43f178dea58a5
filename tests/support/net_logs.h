// Reading the --net-log files of two game processes: the checksums of the
// steps each confirmed, and whether both confirmed the same game.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

// The confirmed checksums a --net-log lists, by step (a line still being
// written is left out).
inline std::map<uint32_t, uint32_t> Confirmed(const std::string& path) {
    std::map<uint32_t, uint32_t> sums;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        unsigned step = 0;
        char hex[16] = {};
        if (std::sscanf(line.c_str(), "c %u %15s", &step, hex) == 2 && std::strlen(hex) == 8) {
            sums[step] = static_cast<uint32_t>(std::strtoul(hex, nullptr, 16));
        }
    }
    return sums;
}

// The steps both confirmed, with equal checksums at every one of them.
inline size_t SameGame(const std::map<uint32_t, uint32_t>& a, const std::map<uint32_t, uint32_t>& b) {
    size_t both = 0;
    for (const auto& [step, sum] : a) {
        auto it = b.find(step);
        if (it == b.end()) continue;
        EXPECT_EQ(it->second, sum) << "step " << step;
        if (it->second != sum) return 0;
        ++both;
    }
    return both;
}
