#pragma once

#include "halvane/design/ChannelLevels.h"
#include "halvane/procedures/measurement/MeasurementQueue.h"
#include "platform/UserPrompt.h"
#include "platform/WindowHandle.h"

#include <string>
#include <vector>

namespace halvane::signal {
class CMeasSet;
}

namespace halvane::procedures {

class IConflictUi;

// The level checks run when the last channel of a listening position has
// been measured: they judge the measured sound-pressure levels (one map per
// position, channel -> dB) and let the user pick measurements to repeat, or
// ask for the subwoofer's gain to be adjusted and re-measure it.
namespace level_checks {

constexpr double kLcrVariationDb = 10.0;
constexpr double kPairVariationDb = 10.0;
constexpr double kPositionVariationDb = 10.0;
constexpr double kMinimumLevelDb = 40.0;
constexpr double kSubwooferDeviationDb = 24.0;

extern const char* const kMinimumLevelText;
extern const char* const kLcrVariationText;
extern const char* const kPairVariationText;
extern const char* const kPositionVariationText;
extern const char* const kSubwooferTooLowText;
extern const char* const kSubwooferTooHighText;

}  // namespace level_checks

// Where the checks ask their questions. Null members: no user to ask, so
// every question is answered Cancel.
struct LevelCheckUi {
    IConflictUi* conflicts = nullptr;
    platform::UserPrompt* prompt = nullptr;
    platform::WindowHandle parent;
};

// The measurements one check judges together.
struct LevelCheckGroup {
    const std::vector<design::ChannelLevelMap>* levels = nullptr;
    signal::CMeasSet* set = nullptr;
    std::vector<MeasurementItem> items;
    double threshold = 0;
    // The run's PositionCount, for the labels.
    std::int32_t positionCount = 5;
};

// The level of an item from the position's map; false when none was measured.
bool ItemLevel(const LevelCheckGroup& group, const MeasurementItem& item, double& level);
// Largest minus smallest level exceeds the threshold (strictly).
bool VariationExceeds(const LevelCheckGroup& group);
// Some item's level lies below the threshold (strictly).
bool AnyBelow(const LevelCheckGroup& group);

// Shows the group's measurements ("%s %s: SPL = %.1lfdb": channel, position,
// level) under `message`. Cancel: false. OK: the current item is taken off
// the queue, every ticked item in list order goes to the taking end (so the
// last ticked is measured first) with its curve removed from the set, and
// the current item is put back on top. True.
bool ResolveConflict(const LevelCheckGroup& group, MeasurementQueue& queue, const std::string& message,
                     const LevelCheckUi& ui);

// The item label of a conflict; the position is labelled within the run's
// `positionCount` positions.
std::string ConflictLabel(int channel, int position, std::int32_t positionCount, double level);

// Runs the checks for the position just finished; true to go on, false when
// the user cancelled. Every channel measured at the position is checked in
// channel order (minimum level, centre-left-right spread, left/right pair,
// spread across the session's PositionCount positions); the first check
// that asks the user ends the checks with the answer. Then, for the Movie
// configuration at the first position only, the subwoofer's level against
// the other channels.
bool RunLevelChecks(signal::CMeasSet& set, const LevelCheckUi& ui, const std::vector<design::ChannelLevelMap>& levels,
                    const MeasurementSession& session, int configuration, MeasurementQueue& queue, int position,
                    int channel);

// The subwoofer check alone (position 0). Passes when no other channel is
// present or the subwoofer lies within 24 dB of both the quietest and the
// loudest. Otherwise asks the user to adjust the subwoofer's gain: Cancel
// gives false; OK removes its curve, queues it again and puts the current
// item back on top.
bool CheckSubwooferLevel(signal::CMeasSet& set, const LevelCheckUi& ui, const std::vector<design::ChannelLevelMap>& levels,
                         MeasurementQueue& queue);

}  // namespace halvane::procedures
