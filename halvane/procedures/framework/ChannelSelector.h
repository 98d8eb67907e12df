#pragma once

#include <cstdint>

#include "halvane/signal/ChannelTable.h"

namespace halvane::procedures {

// One channel (0..7) or all of them (8). Assigning anything else is a
// program fault that the user is told about before the program gives up:
// the box "Application is closing" (caption "Fatal Error"), then
// diagnostics::TException "Fatal Error".
class ChannelSelector {
public:
    static constexpr int kAll = signal::ChannelTable::kNone;

    ChannelSelector() = default;
    explicit ChannelSelector(int value) { *this = value; }
    ChannelSelector& operator=(int value);

    int Value() const { return value_; }
    bool IsAll() const { return value_ == kAll; }

private:
    std::int32_t value_ = kAll;
};

}  // namespace halvane::procedures
