#pragma once

#include <array>
#include <cstdint>
#include <map>

namespace halvane::procedures {

// What one measuring run decides before it measures and reads while it
// does: the channels and positions the user chose and whether Music is
// measured on its own. The measurement job owns one, so a run starts from
// the defaults whatever the run before it chose; nothing else in the
// program keeps these values.
//
// Only the job's worker touches it (the speaker selection fills it while
// that worker waits for the answer), so it needs no lock.
class MeasurementSession {
public:
    using ChannelOrder = std::map<std::int32_t, std::int32_t>;

    // The number of listening positions of the configuration being worked
    // on (5 at start); BuildMeasurementQueue sets it, positions are labelled
    // and checked against it.
    std::int32_t PositionCount() const { return positionCount_; }
    void SetPositionCount(std::int32_t count) { positionCount_ = count; }

    // The positions chosen for configuration 0 ("Movie") and 1 ("Music"),
    // 5..10; 5 and 5 at start.
    std::array<std::int32_t, 2>& PositionsPerConfiguration() { return positionsPerConfiguration_; }
    const std::array<std::int32_t, 2>& PositionsPerConfiguration() const { return positionsPerConfiguration_; }

    // The channels chosen per configuration, in measuring order: running
    // index 0..n-1 -> channel number. Empty at start.
    std::array<ChannelOrder, 2>& SelectedChannels() { return selectedChannels_; }
    const std::array<ChannelOrder, 2>& SelectedChannels() const { return selectedChannels_; }

    // 1 when Music is measured on its own, 0 when it takes the Movie
    // measurements (0 at start).
    std::int32_t MeasureMusicConfig() const { return measureMusicConfig_; }
    void SetMeasureMusicConfig(std::int32_t measure) { measureMusicConfig_ = measure; }

private:
    std::int32_t positionCount_ = 5;
    std::array<std::int32_t, 2> positionsPerConfiguration_{5, 5};
    std::array<ChannelOrder, 2> selectedChannels_;
    std::int32_t measureMusicConfig_ = 0;
};

}  // namespace halvane::procedures
