#pragma once

#include <array>
#include <cstdint>

#include "halvane/design/TargetConfigBasic.h"

namespace platform {
class ArchiveReader;
class ArchiveWriter;
}  // namespace platform

namespace halvane::design {

// Every user-visible parameter of the correction design for both speaker
// configurations: the basic part (crossovers, room gain, maximum EQ
// frequency, options), the group flags handed to the filter fit, the
// subwoofer high-pass settings, the reference level and the level trims.
// The project document owns one and stores it in its file.
class TargetConfig : public TargetConfigBasic {
public:
    static constexpr int kChannels = 8;
    // The document version whose stored form Serialize writes by default.
    static constexpr int kCurrentVersion = 21;
    // Bytes of the current stored form (versions 18 and later).
    static constexpr int kStoredSize = 204;

    // The full defaults: the basic defaults, subwoofer values 20, 20, 0 for
    // both configurations, ExtraOption 0, RefLevel -1, RefLevelOffsetDb 0,
    // every group flag and trim 0.
    TargetConfig();

    // Copies the ten crossovers of `source` into `target`, and the room
    // gains, maximum EQ frequencies, MusicUsesMovie (`flag`) and
    // ConfigOption from the values given. Nothing else of `target` changes.
    static void SetValues(const TargetConfigBasic& source, TargetConfigBasic& target,
                          const std::array<double, kConfigurations>& roomGainDb,
                          const std::array<std::int32_t, kConfigurations>& maxEqFrequency, std::int32_t flag,
                          std::int32_t option);

    // The group flag a read for configuration `cfg` sees (MusicUsesMovie
    // honoured, as for CrossoverFor).
    std::int32_t GroupFlagFor(int cfg, int group) const;

    // Writes the current stored form; `version` only decides whether
    // ExtraOption (18 and later) and the subwoofer arrays (17 and later)
    // are written.
    void Serialize(platform::ArchiveWriter& ar, int version = kCurrentVersion) const;
    // Reads the stored form of document version `version`. Every field
    // first gets its constructor default, so a field the version does not
    // store never carries a value over from an earlier document. A short
    // stream raises platform::ArchiveException (end of file); the record
    // then holds what was read up to that point and defaults for the rest.
    // Values are carried as read; odd crossovers are reported where used.
    void Serialize(platform::ArchiveReader& ar, int version);

    std::array<std::array<std::int32_t, kGroups>, kConfigurations> GroupFlag{};
    // "Min Subwoofer EQ Freq": lower EQ limit of the subwoofer (at least
    // 21.2132 Hz) when SubHighPassOrder is not 0.
    std::array<std::int32_t, kConfigurations> MinSubEqFrequency{};
    // "Subwoofer High Pass Freqency", used from order 2.
    std::array<std::int32_t, kConfigurations> SubHighPassFrequency{};
    // "Subwoofer High Pass Order": 0 automatic, 1 none, k >= 2 a Butterworth
    // high-pass of order k - 1.
    std::array<std::int32_t, kConfigurations> SubHighPassOrder{};
    // The receivers' AUX speaker selection (0 or 1 sent, 2 sends nothing).
    std::int32_t ExtraOption = 0;
    // "Ref Level (All Speakers)": the user's offset in dB.
    std::int32_t RefLevel = -1;
    // The computed reference level in dB.
    double RefLevelOffsetDb = 0.0;
    // Per-channel trims in 0.5 dB steps, -24..24 (from the Movie run).
    std::array<std::int32_t, kChannels> ChannelTrim{};
    // The subwoofer's trim from the Music run, 0.5 dB steps.
    std::int32_t MusicSubTrim = 0;

private:
    void ReadBlock(platform::ArchiveReader& ar, int version, int cfg);
};

}  // namespace halvane::design
