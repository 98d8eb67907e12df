#pragma once

#include "halvane/link/UploadSource.h"

#include <array>

namespace halvane::link {

// An upload source held in memory: filter sets, target record and measured
// flags as plain values (erased sets: gain 0, identity stages, nothing
// measured, the target record's defaults).
class UploadData final : public UploadSource {
public:
    static constexpr int kConfigurations = 2;
    static constexpr int kRateSlots = 8;
    static constexpr int kChannels = 8;
    static constexpr int kMaxStages = 10;

    struct Set {
        std::int32_t Gain = 0;
        std::int32_t Filled = 0;
        std::array<design::Biquad, kMaxStages> Stages{};
    };

    std::int32_t FilterGain(int configuration, int rateSlot, int channel) const override {
        return At(configuration, rateSlot, channel).Gain;
    }
    const design::Biquad& FilterStage(int configuration, int rateSlot, int channel, int stage) const override {
        return At(configuration, rateSlot, channel).Stages.at(static_cast<std::size_t>(stage));
    }
    design::TargetConfig& Targets() override { return targets; }
    bool HasMeasuredCurve(int set, int channel) const override {
        return measured.at(static_cast<std::size_t>(set)).at(static_cast<std::size_t>(channel));
    }

    Set& At(int configuration, int rateSlot, int channel) {
        return sets.at(static_cast<std::size_t>(configuration))
            .at(static_cast<std::size_t>(rateSlot))
            .at(static_cast<std::size_t>(channel));
    }
    const Set& At(int configuration, int rateSlot, int channel) const {
        return sets.at(static_cast<std::size_t>(configuration))
            .at(static_cast<std::size_t>(rateSlot))
            .at(static_cast<std::size_t>(channel));
    }

    std::array<std::array<std::array<Set, kChannels>, kRateSlots>, kConfigurations> sets{};
    design::TargetConfig targets;
    std::array<std::array<bool, kChannels>, 2> measured{};
};

}  // namespace halvane::link
