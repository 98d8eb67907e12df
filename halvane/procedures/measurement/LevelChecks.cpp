#include "halvane/procedures/measurement/LevelChecks.h"

#include "halvane/diagnostics/Format.h"
#include "halvane/diagnostics/HalvaneStrings.h"
#include "halvane/procedures/framework/CSpkrs.h"
#include "halvane/procedures/measurement/IConflictUi.h"
#include "halvane/procedures/measurement/Posn.h"
#include "halvane/signal/CMeasSet.h"

#include <algorithm>
#include <cmath>

namespace halvane::procedures {

namespace level_checks {

const char* const kMinimumLevelText =
    "The speaker level was less than %.1lf\r\nPlease select whichever measurements you would like to repeat.\r\n";
const char* const kLcrVariationText =
    "The speaker level variation accross the LCR was greater than %.1lf\r\nPlease select whichever measurements you "
    "would like to repeat.\r\nClicking cancel will abort the measurement procedure.\r\n";
const char* const kPairVariationText =
    "The speaker level variation across the L/R speakers was greater than %.1lf\r\nPlease select whichever "
    "measurements you would like to repeat.\r\n";
const char* const kPositionVariationText =
    "The speaker level variation was greater than %.1lf\r\nPlease select whichever measurements you would like to "
    "repeat.\r\n";
const char* const kSubwooferTooLowText =
    "Subwoofer level is too low.\nPlease increase it using the sub's input level control and then click OK to "
    "re-measure.";
const char* const kSubwooferTooHighText =
    "Subwoofer level is too high.\nPlease decrease it using the sub's input level control and then click OK to "
    "re-measure.";

}  // namespace level_checks

namespace {

using namespace level_checks;

bool Holds(const signal::CMeasSet& set, int channel, int position) {
    const signal::CCurveSet* curves = set.Position(position);
    return curves != nullptr && curves->HasCurve(channel);
}

bool LevelOf(const std::vector<design::ChannelLevelMap>& levels, int channel, int position, double& level) {
    if (position < 0 || static_cast<std::size_t>(position) >= levels.size()) return false;
    const design::ChannelLevelMap& map = levels[static_cast<std::size_t>(position)];
    const auto it = map.find(channel);
    if (it == map.end()) return false;
    level = it->second;
    return true;
}

// A measurement takes part in a check when its curve is held and its level
// was measured.
bool Present(const signal::CMeasSet& set, const std::vector<design::ChannelLevelMap>& levels, int channel, int position) {
    double level = 0;
    return Holds(set, channel, position) && LevelOf(levels, channel, position, level);
}

LevelCheckGroup MakeGroup(signal::CMeasSet& set, const std::vector<design::ChannelLevelMap>& levels, std::int32_t positionCount,
                          double threshold) {
    LevelCheckGroup group;
    group.levels = &levels;
    group.set = &set;
    group.threshold = threshold;
    group.positionCount = positionCount;
    return group;
}

std::string Message(const char* format, double threshold) {
    // The texts are fixed formats of this file; the threshold is the only
    // argument.
    return diagnostics::Format(format, threshold);
}

// The checks of one measured channel; nullopt when none asked the user,
// otherwise the answer.
std::optional<bool> CheckChannel(signal::CMeasSet& set, const LevelCheckUi& ui, const std::vector<design::ChannelLevelMap>& levels,
                                 std::int32_t positionCount, MeasurementQueue& queue, int position, int channel) {
    // Minimum level.
    {
        LevelCheckGroup group = MakeGroup(set, levels, positionCount, kMinimumLevelDb);
        group.items.push_back({channel, position});
        if (AnyBelow(group)) return ResolveConflict(group, queue, Message(kMinimumLevelText, kMinimumLevelDb), ui);
    }
    // Centre, left and right front together.
    if (Present(set, levels, 0, position) && Present(set, levels, 1, position) &&
        Present(set, levels, 2, position)) {
        LevelCheckGroup group = MakeGroup(set, levels, positionCount, kLcrVariationDb);
        group.items = {{0, position}, {1, position}, {2, position}};
        if (VariationExceeds(group))
            return ResolveConflict(group, queue, Message(kLcrVariationText, kLcrVariationDb), ui);
    }
    // The channel and its partner.
    const int pair = CSpkrs(channel).GetPair();
    if (CSpkrs(pair).IsValid() && Present(set, levels, pair, position)) {
        LevelCheckGroup group = MakeGroup(set, levels, positionCount, kPairVariationDb);
        group.items = {{channel, position}, {pair, position}};
        if (VariationExceeds(group))
            return ResolveConflict(group, queue, Message(kPairVariationText, kPairVariationDb), ui);
    }
    // The channel across the positions measured so far.
    {
        LevelCheckGroup group = MakeGroup(set, levels, positionCount, kPositionVariationDb);
        const int positions = std::min<int>(positionCount, set.Count());
        for (int p = 0; p < positions; ++p)
            if (Present(set, levels, channel, p)) group.items.push_back({channel, p});
        if (group.items.size() >= 2 && VariationExceeds(group))
            return ResolveConflict(group, queue, Message(kPositionVariationText, kPositionVariationDb), ui);
    }
    return std::nullopt;
}

}  // namespace

bool ItemLevel(const LevelCheckGroup& group, const MeasurementItem& item, double& level) {
    return group.levels != nullptr && LevelOf(*group.levels, item.channel, item.position, level);
}

bool VariationExceeds(const LevelCheckGroup& group) {
    double lowest = 0, highest = 0;
    bool any = false;
    for (const MeasurementItem& item : group.items) {
        double level = 0;
        if (!ItemLevel(group, item, level)) continue;
        lowest = any ? std::min(lowest, level) : level;
        highest = any ? std::max(highest, level) : level;
        any = true;
    }
    return any && std::fabs(highest - lowest) > group.threshold;
}

bool AnyBelow(const LevelCheckGroup& group) {
    for (const MeasurementItem& item : group.items) {
        double level = 0;
        if (ItemLevel(group, item, level) && level < group.threshold) return true;
    }
    return false;
}

std::string ConflictLabel(int channel, int position, std::int32_t positionCount, double level) {
    return diagnostics::Format("%s %s: SPL = %.1lfdb", CSpkrs(channel).ToString().c_str(),
                  Posn(position, positionCount).Label().c_str(), level);
}

bool ResolveConflict(const LevelCheckGroup& group, MeasurementQueue& queue, const std::string& message,
                     const LevelCheckUi& ui) {
    std::vector<std::string> labels;
    labels.reserve(group.items.size());
    for (const MeasurementItem& item : group.items) {
        double level = 0;
        ItemLevel(group, item, level);
        labels.push_back(ConflictLabel(item.channel, item.position, group.positionCount, level));
    }
    if (ui.conflicts == nullptr) return false;
    const auto ticked = ui.conflicts->PickMeasurementsToRepeat(diagnostics::ProgramName(), message, labels, ui.parent);
    if (!ticked) return false;

    const MeasurementItem current = queue.Pop();
    std::vector<std::size_t> order = *ticked;
    std::sort(order.begin(), order.end());
    order.erase(std::unique(order.begin(), order.end()), order.end());
    for (const std::size_t index : order) {
        if (index >= group.items.size()) continue;
        const MeasurementItem item = group.items[index];
        queue.Push(item);
        if (group.set != nullptr && Holds(*group.set, item.channel, item.position))
            group.set->RemoveCurve(item.channel, item.position);
    }
    queue.Push(current);
    return true;
}

bool CheckSubwooferLevel(signal::CMeasSet& set, const LevelCheckUi& ui, const std::vector<design::ChannelLevelMap>& levels,
                         MeasurementQueue& queue) {
    constexpr int kSub = CSpkrs::kSubwoofer;
    double sub = 0;
    if (!Holds(set, kSub, 0) || !LevelOf(levels, kSub, 0, sub)) return true;
    double lowest = 1e300, highest = -1e300;
    bool others = false;
    for (int ch = 0; ch < kSub; ++ch) {
        double level = 0;
        if (!Holds(set, ch, 0) || !LevelOf(levels, ch, 0, level)) continue;
        lowest = std::min(lowest, level);
        highest = std::max(highest, level);
        others = true;
    }
    // Nothing to compare with (every other channel is about to be measured
    // again): the subwoofer is judged when they are back.
    if (!others) return true;
    if (std::fabs(sub - lowest) <= kSubwooferDeviationDb && std::fabs(sub - highest) <= kSubwooferDeviationDb)
        return true;

    // Far from both ends, or from one while lying between them: louder than
    // the quietest by too much reads as too high, otherwise too low.
    const char* text = sub - lowest > kSubwooferDeviationDb ? kSubwooferTooHighText : kSubwooferTooLowText;
    if (sub < lowest) text = kSubwooferTooLowText;
    if (ui.prompt == nullptr ||
        ui.prompt->MessageBox(text, diagnostics::ProgramName(), platform::MB_OKCANCEL, ui.parent) != platform::IDOK)
        return false;
    const MeasurementItem current = queue.Pop();
    set.RemoveCurve(kSub, 0);
    queue.Push({kSub, 0});
    queue.Push(current);
    return true;
}

bool RunLevelChecks(signal::CMeasSet& set, const LevelCheckUi& ui, const std::vector<design::ChannelLevelMap>& levels,
                    const MeasurementSession& session, int configuration, MeasurementQueue& queue, int position,
                    int /*channel*/) {
    for (int ch = 0; ch <= CSpkrs::kSubwoofer; ++ch) {
        if (!Present(set, levels, ch, position)) continue;
        if (const auto answer = CheckChannel(set, ui, levels, session.PositionCount(), queue, position, ch))
            return *answer;
    }
    if (configuration == 0 && position == 0) return CheckSubwooferLevel(set, ui, levels, queue);
    return true;
}

}  // namespace halvane::procedures
