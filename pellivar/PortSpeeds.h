#pragma once

#include <array>
#include <string>

namespace pellivar {

// The eight speeds of Pellivar's link. A speed index counts them in
// ascending order (0 = 1200 ... 7 = 115200); the rate table is kept in search
// order and the index table maps a speed index to its slot there.
struct PortSpeeds {
    static constexpr int kCount = 8;
    static constexpr std::array<int, kCount> kRateTable = {19200, 115200, 1200, 2400, 4800, 9600, 38400, 57600};
    static constexpr std::array<int, kCount> kIndexTable = {2, 3, 4, 5, 0, 6, 7, 1};
    static constexpr std::array<int, kCount> kSearchOrder = {4, 7, 0, 1, 2, 3, 5, 6};
    static constexpr int kDefaultIndex = 4;  // 19200

    static bool valid(int speedIndex) { return speedIndex >= 0 && speedIndex < kCount; }
    // The baud rate of a speed index; 19200 for an invalid index.
    static int baud(int speedIndex) {
        return valid(speedIndex) ? kRateTable[static_cast<std::size_t>(kIndexTable[static_cast<std::size_t>(speedIndex)])]
                                 : 19200;
    }
    // The speed index of a baud rate, -1 when it is not one of the eight.
    static int indexOf(int baudRate) {
        for (int i = 0; i < kCount; ++i)
            if (baud(i) == baudRate) return i;
        return -1;
    }
};

// The models a unit may name in its identification line, and what is shown
// when none is known.
struct ModelNames {
    static constexpr int kKnown = 5;
    static constexpr std::array<const char*, kKnown + 1> kNames = {
        "Tolvarine Z6", "Bzt 50", "Tolvarine Z5HD", "Bzt 30-HD", "Bzt 20-HD", "No unit found"};

    // Entry 5 for -1 or anything else out of range.
    static const char* name(int model) {
        return model >= 0 && model < kKnown ? kNames[static_cast<std::size_t>(model)] : kNames[kKnown];
    }
    // The first model whose name occurs anywhere in the reply, else -1.
    static int match(const std::string& reply) {
        for (int m = 0; m < kKnown; ++m)
            if (reply.find(kNames[static_cast<std::size_t>(m)]) != std::string::npos) return m;
        return -1;
    }
};

}  // namespace pellivar
