#include "halvane/procedures/measurement/MeasurementSelection.h"

#include "halvane/procedures/measurement/MeasurementSession.h"
#include "halvane/signal/ChannelTable.h"

namespace halvane::procedures {

bool SelectSpeakersToMeasure(MeasurementSession& session, ISpeakerSelectionUi* ui, platform::WindowHandle parent,
                             std::int32_t unitClass) {
    for (auto& selected : session.SelectedChannels()) {
        selected.clear();
        for (std::int32_t ch = 0; ch < 8; ++ch) selected[ch] = ch;
    }
    MeasurementSelection selection;
    selection.receiver = unitClass == 4 ? 1 : 0;
    if (ui == nullptr || !ui->SelectSpeakers(selection, parent)) return false;

    for (std::size_t c = 0; c < 2; ++c) {
        session.PositionsPerConfiguration()[c] = selection.positions[c];
        auto& selected = session.SelectedChannels()[c];
        selected.clear();
        std::int32_t index = 0;
        for (int ch = 0; ch < 8; ++ch) {
            const int group = signal::ChannelTable::kGroupOf[static_cast<std::size_t>(ch)];
            if (selection.groups[c][static_cast<std::size_t>(group)] == 0) continue;
            if (ch == 4 && selection.rearCount == 1) continue;
            selected[index++] = ch;
        }
    }
    if (selection.useMovieMeasurements != 0) session.SelectedChannels()[1].clear();
    session.SetMeasureMusicConfig(selection.useMovieMeasurements != 0 ? 0 : 1);
    return true;
}

}  // namespace halvane::procedures
