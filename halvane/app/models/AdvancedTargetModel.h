#pragma once

#include <array>
#include <cstdint>

#include "halvane/app/models/SpinGrid.h"
#include "halvane/design/TargetConfigBasic.h"

namespace halvane::app::models {

// What the "Advanced Target Customization" dialog shows in one column.
struct AdvancedColumnView {
    // The configuration whose values the column's controls edit: Movie for
    // the Music column while Music uses the Movie values.
    int boundConfiguration = 0;
    bool orderEnabled = false;
    bool frequencyEnabled = false;
    bool minEqEnabled = false;
    // "Subwoofer High Pass Freqency:" and "Min Subwoofer EQ Freq:" both run
    // from 20 Hz to the subwoofer crossover.
    CustomControls::SpinGrid frequencyGrid;
};

struct AdvancedTargetView {
    std::array<AdvancedColumnView, design::TargetConfigBasic::kConfigurations> columns;
    CustomControls::SpinGrid refLevelGrid;
};

// The working values of the advanced target customisation (the subwoofer
// high-pass settings and the reference level of both configurations) and
// its enabling rules, apart from the window. The caller fills it with
// copies of its own working values and takes them back after OK.
class AdvancedTargetModel {
public:
    static constexpr int kMinFrequency = 20;
    static constexpr int kMinRefLevel = -3;
    static constexpr int kMaxRefLevel = 0;

    // The rules of the controls for the current values. The values the
    // controls show are moved onto what the controls can hold (an order
    // onto the ten order names, a frequency into 20..crossover), as the
    // controls do when they show them.
    AdvancedTargetView Update();

    // Supplies each configuration's subwoofer crossover and MusicUsesMovie.
    design::TargetConfigBasic basic;
    std::array<std::int32_t, design::TargetConfigBasic::kConfigurations> MinSubEqFrequency{20, 20};
    std::array<std::int32_t, design::TargetConfigBasic::kConfigurations> SubHighPassFrequency{20, 20};
    std::array<std::int32_t, design::TargetConfigBasic::kConfigurations> SubHighPassOrder{0, 0};
    std::int32_t RefLevel = -1;
};

}  // namespace halvane::app::models
