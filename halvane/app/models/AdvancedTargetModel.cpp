#include "halvane/app/models/AdvancedTargetModel.h"

#include "halvane/app/models/ValueList.h"

namespace halvane::app::models {

AdvancedTargetView AdvancedTargetModel::Update() {
    AdvancedTargetView view;
    for (int c = 0; c < design::TargetConfigBasic::kConfigurations; ++c) {
        AdvancedColumnView& column = view.columns[static_cast<std::size_t>(c)];
        const bool followsMovie = c == design::TargetConfigBasic::Music && basic.MusicUsesMovie != 0;
        const int bound = followsMovie ? design::TargetConfigBasic::Movie : c;
        const auto b = static_cast<std::size_t>(bound);
        column.boundConfiguration = bound;
        const std::int32_t crossover = basic.Crossover[b][design::TargetConfigBasic::Subwoofer];
        // A crossover below 20 Hz (the "Flat" choice) gives a one-value
        // range: the grid treats a maximum below its minimum as the minimum.
        column.frequencyGrid = CustomControls::SpinGrid(kMinFrequency, crossover, 1);

        const CustomControls::ValueList& orders = CustomControls::SlopeOrderNames();
        if (auto i = orders.closest(SubHighPassOrder[b])) SubHighPassOrder[b] = orders[*i].value;
        SubHighPassFrequency[b] = column.frequencyGrid.snap(SubHighPassFrequency[b]);
        MinSubEqFrequency[b] = column.frequencyGrid.snap(MinSubEqFrequency[b]);

        if (followsMovie || crossover == design::TargetConfigBasic::kNoCrossover) continue;
        const std::int32_t order = SubHighPassOrder[b];
        column.orderEnabled = true;
        // Orders from 2 are real high-pass filters with a frequency; "Auto"
        // (0) chooses the subwoofer's lower EQ limit itself.
        column.frequencyEnabled = order > 1;
        column.minEqEnabled = order != 0;
    }
    view.refLevelGrid = CustomControls::SpinGrid(kMinRefLevel, kMaxRefLevel, 1);
    RefLevel = view.refLevelGrid.snap(RefLevel);
    return view;
}

}  // namespace halvane::app::models
