#include "halvane/document/DocumentArchive.h"

#include "halvane/diagnostics/Format.h"
#include "halvane/document/DocumentData.h"
#include "halvane/document/StoredStage.h"
#include "halvane/document/StoredValueRanges.h"
#include "halvane/signal/ChannelTable.h"
#include "platform/ArchiveException.h"
#include "platform/ArchiveReader.h"
#include "platform/ArchiveWriter.h"

#include <cmath>

namespace halvane::document::DocumentArchive {

namespace {

using platform::ArchiveException;

// The stage entries of versions 1 to 10 are skipped: their layout has
// changed since, so their stages load reset. Version 1 stored 52 bytes per
// entry, versions 2 to 10 32 bytes; ten entries per set in both.
constexpr std::size_t kVersion1StageEntry = 52;
constexpr std::size_t kOldStageEntry = 32;
constexpr int kOldStageEntries = 10;

// Slots 0 and 1, then the measurement sets, then slots 2 to 5: the order
// the file has always had.
constexpr int kLeadingSets[] = {DocumentData::MeasuredMovie, DocumentData::MeasuredMusic};
constexpr int kTrailingSets[] = {DocumentData::CalculatedMovie, DocumentData::CalculatedMusic,
                                 DocumentData::TargetMovie, DocumentData::TargetMusic};
constexpr int kMeasSets[] = {DocumentData::MeasSetMovie, DocumentData::MeasSetMusic};

[[noreturn]] void Damaged(const std::string& what) {
    throw ArchiveException(ArchiveException::Cause::Generic, "The document is damaged: " + what);
}

void CheckAxisKinds(const signal::CCurveSet& set) {
    for (int i = 0; i < set.Count(); ++i) {
        const int kind = set.GetAt(i)->AxisKind();
        if (kind != signal::CIndexVector::Frequency && kind != signal::CIndexVector::Time)
            Damaged("a curve has the unknown axis kind " + std::to_string(kind) + ".");
    }
}

// Numbers that are not numbers (NaN, infinities) have no meaning anywhere
// in a document, and the level, target and filter arithmetic that follows a
// load would carry them into undefined conversions: a file holding one is
// damaged.
bool AllFinite(const signal::DbleVect& values) {
    for (int i = 0; i < values.Count(); ++i)
        if (!std::isfinite(values.Data()[i])) return false;
    return true;
}

void CheckCurveNumbers(const signal::CCurveSet& set) {
    for (int i = 0; i < set.Count(); ++i) {
        const signal::CCurve& curve = *set.GetAt(i);
        if (!AllFinite(curve.Axis().Values()) || !AllFinite(curve.Values().A()) || !AllFinite(curve.Values().B()))
            Damaged("the curve \"" + curve.Name() + "\" holds a value that is not a number.");
    }
}

void CheckNumbers(const DocumentData& data) {
    for (int slot : kLeadingSets) CheckCurveNumbers(*data.CurveSetSlot(slot));
    for (int slot : kTrailingSets) CheckCurveNumbers(*data.CurveSetSlot(slot));
    for (int slot : kMeasSets) {
        const signal::CMeasSet& set = *data.MeasSetSlot(slot);
        for (int p = 0; p < set.Count(); ++p) CheckCurveNumbers(*set.Position(p));
    }
    for (const auto& config : data.FilterSets)
        for (const auto& slot : config)
            for (const FilterSet& set : slot)
                for (const design::Biquad& stage : set.Stages)
                    for (const double v : {stage.b0_2, stage.b1_2, stage.b2_2, stage.a1_2, stage.a2_2})
                        if (!std::isfinite(v)) Damaged("a filter coefficient is not a number.");
    const design::TargetConfig& target = data.m_TargetConfig;
    for (const double v : target.RoomGainDb)
        if (!std::isfinite(v)) Damaged("a room gain of the targets is not a number.");
    if (!std::isfinite(target.RefLevelOffsetDb)) Damaged("the reference level is not a number.");
}

std::string ValueText(std::int32_t value) { return std::to_string(value); }
std::string ValueText(double value) { return diagnostics::Format("%g", value); }

template <typename T>
void CheckRange(const StoredValueRanges::Range<T>& range, T value, const std::string& name, const char* unit = "") {
    if (range.Holds(value)) return;
    Damaged(name + " is " + ValueText(value) + unit + ", outside " + ValueText(range.lowest) + " to " +
            ValueText(range.highest) + unit + ".");
}

// Finite numbers can still be ones no version of the program writes (a
// crossover of 1515870810 Hz, a room gain of 1e127 dB); carried into the
// views, the target curves and an upload they would pass for settings.
void CheckRanges(const design::TargetConfig& target) {
    namespace R = StoredValueRanges;
    using design::TargetConfig;
    constexpr const char* kConfigurationNames[] = {"Movie", "Music"};
    for (int c = 0; c < TargetConfig::kConfigurations; ++c) {
        const std::string cfg = std::string("the ") + kConfigurationNames[c] + " ";
        for (int g = 0; g < TargetConfig::kGroups; ++g) {
            const std::string group = std::string(" of the ") + signal::ChannelTable::kGroupNames[g] + " group";
            CheckRange(R::kCrossoverHz, target.Crossover[c][g], cfg + "crossover" + group, " Hz");
            CheckRange(R::kFlag, target.GroupFlag[c][g], cfg + "full-range flag" + group);
        }
        CheckRange(R::kLevelDb, target.RoomGainDb[c], cfg + "room gain", " dB");
        CheckRange(R::kFrequencyHz, target.MaxEqFrequency[c], cfg + "maximum EQ frequency", " Hz");
        CheckRange(R::kFrequencyHz, target.MinSubEqFrequency[c], cfg + "minimum subwoofer EQ frequency", " Hz");
        CheckRange(R::kFrequencyHz, target.SubHighPassFrequency[c], cfg + "subwoofer high-pass frequency", " Hz");
        CheckRange(R::kSubHighPassOrder, target.SubHighPassOrder[c], cfg + "subwoofer high-pass order");
    }
    CheckRange(R::kFlag, target.MusicUsesMovie, "the \"Same As Movie\" option");
    CheckRange(R::kFlag, target.ConfigOption, "the rear-speaker option");
    CheckRange(R::kAuxSelection, target.ExtraOption, "the AUX speaker selection");
    CheckRange(R::kLevelDb, target.RefLevelOffsetDb, "the reference level", " dB");
    CheckRange(R::kLevelOffsetDb, target.RefLevel, "the reference level offset", " dB");
    for (int ch = 0; ch < TargetConfig::kChannels; ++ch)
        CheckRange(R::kTrimSteps, target.ChannelTrim[ch],
                   std::string("the ") + signal::ChannelTable::kNames[ch] + " trim (in 0.5 dB steps)");
    CheckRange(R::kTrimSteps, target.MusicSubTrim, "the Music subwoofer trim (in 0.5 dB steps)");
}

// The unit kind of a file before version 13: versions up to 9 were written
// for unit kind 1 only (version 1 too: its filter block has that shape, and
// a document of no unit kind could never be saved again); versions 10 to 12
// open their filter block with the slot count, 5 for unit kind 1 and
// anything else for unit kind 2.
std::int32_t UnitKindBefore13(platform::ArchiveReader& ar, std::int32_t version) {
    if (version <= 9) return 1;
    return ar.readInt32() == 5 ? 1 : 2;
}

void ReadFilterSets(platform::ArchiveReader& ar, std::int32_t version, const FilterLayout& layout,
                    DocumentData& data) {
    for (auto& config : data.FilterSets) {
        for (int slot = 0; slot < layout.rateSlots; ++slot) {
            for (FilterSet& set : config[static_cast<std::size_t>(slot)]) {
                set.Gain = ar.readInt32();
                set.Filled = ar.readInt32();
                if (version <= 10) {
                    const std::size_t entry = version == 1 ? kVersion1StageEntry : kOldStageEntry;
                    ar.skip(entry * kOldStageEntries);
                    continue;
                }
                for (int k = 0; k < layout.stages; ++k) {
                    StoredStage bytes{};
                    ar.readBytes(bytes.data(), bytes.size());
                    set.Stages[static_cast<std::size_t>(k)] = FromStoredStage(bytes);
                }
            }
        }
    }
}

}  // namespace

void Write(const DocumentData& data, platform::ArchiveWriter& ar) {
    const FilterLayout layout = FilterLayoutFor(data.m_nUnitKind);
    if (layout.rateSlots == 0)
        throw WriteError("The document is not yet designed for a processor (unit kind " +
                         std::to_string(data.m_nUnitKind) + "); measure or convert it first.");
    const std::size_t calibrationHeld = data.m_CalibrationData ? data.m_CalibrationData->size() : 0;
    if (data.m_nCalibrationSize > calibrationHeld)
        throw WriteError("The document's calibration data holds " + std::to_string(calibrationHeld) +
                         " bytes of the " + std::to_string(data.m_nCalibrationSize) + " it records.");

    ar.writeInt32(kCurrentVersion);
    ar.writeInt32(data.m_nUnitKind);
    ar.writeInt32(data.m_CalibrationIds.First);
    ar.writeInt32(data.m_CalibrationIds.Second);
    for (int slot : kLeadingSets) data.CurveSetSlot(slot)->Serialize(ar);
    for (int slot : kMeasSets) data.MeasSetSlot(slot)->Serialize(ar);
    for (int slot : kTrailingSets) data.CurveSetSlot(slot)->Serialize(ar);
    for (const auto& config : data.FilterSets) {
        for (int slot = 0; slot < layout.rateSlots; ++slot) {
            for (const FilterSet& set : config[static_cast<std::size_t>(slot)]) {
                ar.writeInt32(set.Gain);
                ar.writeInt32(set.Filled);
                for (int k = 0; k < layout.stages; ++k) {
                    const StoredStage bytes = ToStoredStage(set.Stages[static_cast<std::size_t>(k)]);
                    ar.writeBytes(bytes.data(), bytes.size());
                }
            }
        }
    }
    data.m_TargetConfig.Serialize(ar, kCurrentVersion);
    ar.writeUInt32(data.m_nCalibrationSize);
    if (data.m_nCalibrationSize > 0) ar.writeBytes(data.m_CalibrationData->data(), data.m_nCalibrationSize);
    ar.writeInt32(data.m_bOlderVersion);
    ar.writeInt32(data.m_nCorrectionKind);
}

std::int32_t Read(platform::ArchiveReader& ar, DocumentData& data) {
    const std::int32_t version = ar.readInt32();
    if (version < kOldestVersion || version > kCurrentVersion) throw VersionError(version);

    std::int32_t unitKind = 0;
    if (version >= 13) {
        unitKind = ar.readInt32();
        if (!IsUnitKind(unitKind))
            Damaged("it was written for the unknown unit kind " + std::to_string(unitKind) + ".");
    }
    if (version >= 2) {
        data.m_CalibrationIds.First = ar.readInt32();
        data.m_CalibrationIds.Second = ar.readInt32();
    }
    for (int slot : kLeadingSets) data.CurveSetSlot(slot)->Serialize(ar);
    for (int slot : kMeasSets) data.MeasSetSlot(slot)->Serialize(ar);
    for (int slot : kTrailingSets) data.CurveSetSlot(slot)->Serialize(ar);

    if (version < 13) unitKind = UnitKindBefore13(ar, version);
    data.m_nUnitKind = unitKind;
    ReadFilterSets(ar, version, FilterLayoutFor(unitKind), data);

    data.m_TargetConfig.Serialize(ar, version);

    if (version >= 3) {
        const std::uint32_t size = ar.readUInt32();
        ar.requireElements(static_cast<std::int64_t>(size), 1, "the calibration data");
        if (size > 0) {
            auto bytes = std::make_shared<std::vector<std::uint8_t>>(size);
            ar.readBytes(bytes->data(), size);
            data.SetCalibrationData(std::move(bytes));
        }
    }
    if (version >= 8) data.m_bOlderVersion = ar.readInt32();
    data.m_nCorrectionKind = version >= 15 ? ar.readInt32() : 1;
    if (version < 19 && data.m_bOlderVersion == 0) data.m_bOlderVersion = 1;

    for (int slot : kLeadingSets) CheckAxisKinds(*data.CurveSetSlot(slot));
    for (int slot : kTrailingSets) CheckAxisKinds(*data.CurveSetSlot(slot));
    for (int slot : kMeasSets) {
        const signal::CMeasSet& set = *data.MeasSetSlot(slot);
        for (int p = 0; p < set.Count(); ++p) CheckAxisKinds(*set.Position(p));
    }
    CheckNumbers(data);
    CheckRanges(data.m_TargetConfig);
    return version;
}

}  // namespace halvane::document::DocumentArchive
