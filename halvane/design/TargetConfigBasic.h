#pragma once

#include <array>
#include <cstdint>

namespace halvane::design {

// The basic part of the target record: what the target customisation and
// speaker-configuration dialogs keep as their working copy. Configurations
// are 0 Movie and 1 Music; speaker groups 0 Front, 1 Center, 2 Surround,
// 3 Rear, 4 Subwoofer.
struct TargetConfigBasic {
    static constexpr int kConfigurations = 2;
    static constexpr int kGroups = 5;

    enum Configuration : int { Movie = 0, Music = 1 };
    enum Group : int { Front = 0, Center = 1, Surround = 2, Rear = 3, Subwoofer = 4 };

    // Crossover codes besides a frequency in Hz.
    static constexpr std::int32_t kNoCrossover = 170;       // not crossed over, or no measured speaker
    static constexpr std::int32_t kInvalidCrossover = 165;  // an invalid value
    static constexpr std::int32_t kNoTarget = -1;           // no target curve

    static constexpr std::int32_t kDefaultCrossover = 80;
    static constexpr std::int32_t kDefaultMaxEqFrequency = 20000;

    TargetConfigBasic() { SetBasicDefaults(); }

    // Crossover 80 for every group of both configurations, room gain 0 dB,
    // maximum EQ frequency 20000 Hz, Music follows Movie, option 0.
    void SetBasicDefaults();

    // The crossover a read for configuration `cfg` sees: with MusicUsesMovie
    // set, the Music configuration reads the Movie value. `cfg` and `group`
    // must be in range (std::out_of_range otherwise).
    std::int32_t CrossoverFor(int cfg, int group) const;
    // The configuration whose crossovers and group flags a read for `cfg`
    // takes: 0 for Music while MusicUsesMovie is set, else `cfg`.
    int EffectiveConfiguration(int cfg) const { return cfg == Music && MusicUsesMovie != 0 ? Movie : cfg; }

    std::array<std::array<std::int32_t, kGroups>, kConfigurations> Crossover{};
    std::int32_t MusicUsesMovie = 1;
    std::array<double, kConfigurations> RoomGainDb{};
    std::array<std::int32_t, kConfigurations> MaxEqFrequency{};
    // Non-zero: one rear speaker (sent as the rear count by the flagship's
    // speaker upload); not read by the correction design.
    std::int32_t ConfigOption = 0;
};

}  // namespace halvane::design
