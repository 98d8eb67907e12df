#include "halvane/design/TargetConfig.h"

#include "platform/ArchiveReader.h"
#include "platform/ArchiveWriter.h"

namespace halvane::design {

namespace {

// Old documents wrote 15 for a crossover whose group ran full range: it
// loads as 80 with the group flag set.
constexpr std::int32_t kOldFullRangeCode = 15;
// Before version 14 a crossover of 20 Hz stood for "no crossover".
constexpr std::int32_t kOldNoCrossover = 20;

constexpr std::int32_t kDefaultSubFrequency = 20;

}  // namespace

void TargetConfigBasic::SetBasicDefaults() {
    for (auto& cfg : Crossover) cfg.fill(kDefaultCrossover);
    RoomGainDb.fill(0.0);
    MaxEqFrequency.fill(kDefaultMaxEqFrequency);
    MusicUsesMovie = 1;
    ConfigOption = 0;
}

std::int32_t TargetConfigBasic::CrossoverFor(int cfg, int group) const {
    return Crossover.at(static_cast<std::size_t>(EffectiveConfiguration(cfg))).at(static_cast<std::size_t>(group));
}

TargetConfig::TargetConfig() {
    MinSubEqFrequency.fill(kDefaultSubFrequency);
    SubHighPassFrequency.fill(kDefaultSubFrequency);
    SubHighPassOrder.fill(0);
}

void TargetConfig::SetValues(const TargetConfigBasic& source, TargetConfigBasic& target,
                             const std::array<double, kConfigurations>& roomGainDb,
                             const std::array<std::int32_t, kConfigurations>& maxEqFrequency, std::int32_t flag,
                             std::int32_t option) {
    target.Crossover = source.Crossover;
    target.RoomGainDb = roomGainDb;
    target.MaxEqFrequency = maxEqFrequency;
    target.MusicUsesMovie = flag;
    target.ConfigOption = option;
}

std::int32_t TargetConfig::GroupFlagFor(int cfg, int group) const {
    return GroupFlag.at(static_cast<std::size_t>(EffectiveConfiguration(cfg))).at(static_cast<std::size_t>(group));
}

void TargetConfig::Serialize(platform::ArchiveWriter& ar, int version) const {
    ar.writeInt32(ConfigOption);
    ar.writeInt32(MusicUsesMovie);
    for (int cfg = 0; cfg < kConfigurations; ++cfg) {
        for (int g = 0; g < kGroups; ++g) {
            ar.writeInt32(Crossover[cfg][g]);
            ar.writeInt32(GroupFlag[cfg][g]);
        }
        ar.writeDouble(RoomGainDb[cfg]);
        ar.writeInt32(1);
        ar.writeInt32(MaxEqFrequency[cfg]);
        ar.writeInt32(0);
    }
    ar.writeDouble(RefLevelOffsetDb);
    ar.writeInt32(MusicSubTrim);
    for (std::int32_t trim : ChannelTrim) ar.writeInt32(trim);
    ar.writeInt32(RefLevel);
    if (version >= 18) ar.writeInt32(ExtraOption);
    if (version >= 17) {
        for (int cfg = 0; cfg < kConfigurations; ++cfg) {
            ar.writeInt32(MinSubEqFrequency[cfg]);
            ar.writeInt32(SubHighPassFrequency[cfg]);
            ar.writeInt32(SubHighPassOrder[cfg]);
        }
    }
}

// One configuration block as the document version stored it:
//   3 and older: int32 (unused), five crossovers, room gain, int32 (unused),
//     maximum EQ frequency (40 bytes);
//   4 and 5: five {code, crossover} pairs, the code 15 or 165 meaning the
//     group flag, then room gain, int32 (unused), maximum EQ frequency. That
//     is 56 bytes by its fields (the same fields as versions 6 to 11); the
//     fields decide, since no shorter layout is known for these versions;
//   6 to 11: five {crossover, flag} pairs, room gain, int32 (unused),
//     maximum EQ frequency (56 bytes);
//   12 and later: as 6 to 11 followed by one more int32 (60 bytes).
void TargetConfig::ReadBlock(platform::ArchiveReader& ar, int version, int cfg) {
    auto& crossover = Crossover[cfg];
    auto& flag = GroupFlag[cfg];
    if (version <= 3) {
        ar.readInt32();
        for (int g = 0; g < kGroups; ++g) {
            crossover[g] = ar.readInt32();
            if (crossover[g] == kOldFullRangeCode) {
                crossover[g] = kDefaultCrossover;
                flag[g] = 1;
            }
        }
    } else if (version <= 5) {
        for (int g = 0; g < kGroups; ++g) {
            const std::int32_t code = ar.readInt32();
            crossover[g] = ar.readInt32();
            flag[g] = code == kOldFullRangeCode || code == kInvalidCrossover ? 1 : 0;
        }
    } else {
        for (int g = 0; g < kGroups; ++g) {
            crossover[g] = ar.readInt32();
            flag[g] = ar.readInt32();
        }
    }
    RoomGainDb[cfg] = ar.readDouble();
    ar.readInt32();
    MaxEqFrequency[cfg] = ar.readInt32();
    if (version >= 12) ar.readInt32();
}

void TargetConfig::Serialize(platform::ArchiveReader& ar, int version) {
    *this = TargetConfig();
    ConfigOption = ar.readInt32();
    MusicUsesMovie = ar.readInt32();
    for (int cfg = 0; cfg < kConfigurations; ++cfg) ReadBlock(ar, version, cfg);
    if (version < 14) {
        for (auto& cfg : Crossover) {
            for (auto& c : cfg) {
                if (c == kOldNoCrossover) c = kNoCrossover;
            }
        }
    }
    RefLevelOffsetDb = ar.readDouble();
    MusicSubTrim = ar.readInt32();
    for (auto& trim : ChannelTrim) trim = ar.readInt32();
    if (version >= 16) RefLevel = ar.readInt32();
    if (version >= 18) ExtraOption = ar.readInt32();
    if (version >= 17) {
        for (int cfg = 0; cfg < kConfigurations; ++cfg) {
            MinSubEqFrequency[cfg] = ar.readInt32();
            SubHighPassFrequency[cfg] = ar.readInt32();
            SubHighPassOrder[cfg] = ar.readInt32();
        }
    }
}

}  // namespace halvane::design
