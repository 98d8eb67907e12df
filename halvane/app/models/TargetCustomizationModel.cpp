#include "halvane/app/models/TargetCustomizationModel.h"

#include <cstdio>
#include <memory>

#include "halvane/app/models/AdvancedTargetModel.h"
#include "halvane/document/CHalvaneDoc.h"
#include "halvane/document/TargetJobs.h"
#include "halvane/link/UnitClassBase.h"
#include "halvane/signal/CCurveSet.h"

namespace halvane::app::models {

namespace {

using CustomControls::ValueEntry;
using CustomControls::ValueList;
using Basic = design::TargetConfigBasic;

// Channel numbers of the measured sets.
constexpr int kCenterChannel = 1;
constexpr int kRightSurroundChannel = 3;
constexpr int kRightRearChannel = 5;
constexpr int kLeftSurroundChannel = 6;
constexpr int kSubwooferChannel = 7;

std::vector<ValueEntry> Entries(std::unique_ptr<design::ConTypes::CrossoverIterator> it) {
    std::vector<ValueEntry> entries;
    if (it == nullptr) return entries;
    design::ConTypes::CrossoverChoice choice;
    for (; it->Current(&choice) != nullptr; it->Next()) entries.push_back({choice.first, choice.second});
    return entries;
}

ValueList WithNoSpeaker(std::vector<ValueEntry> entries) {
    entries.push_back({Basic::kNoCrossover, CrossoverLists::kNoSpeaker});
    return ValueList(entries);
}

std::string Format(const char* format, const std::string& name, int a, int b = 0) {
    char text[160];
    std::snprintf(text, sizeof text, format, name.c_str(), a, b);
    return text;
}

// Moves a value onto the entry a choice spin shows for it.
void SnapToList(const ValueList& list, std::int32_t& value) {
    if (auto i = list.closest(value)) value = list[*i].value;
}

}  // namespace

CrossoverLists CrossoverLists::ForUnitKind(std::int32_t unitKind) {
    std::vector<ValueEntry> plain;
    std::vector<ValueEntry> flat;
    // A document that has met no processor yet (a new one) offers the
    // choices of the flagship class, whose limits the program starts with:
    // without them the Fronts' spin would show nothing and could not step.
    const link::ConTypes::UnitClassBase* unitClass = link::ConTypes::FindUnitClass(unitKind);
    if (unitClass == nullptr) unitClass = link::ConTypes::FindUnitClass(CrossoverLists::kUnitClassBeforeAnyUnit);
    if (unitClass != nullptr) {
        plain = Entries(unitClass->NewCrossoverIterator());
        flat = Entries(unitClass->NewFlatCrossoverIterator());
    }
    if (flat.empty()) flat = plain;
    CrossoverLists lists;
    lists.lists[A] = WithNoSpeaker(plain);
    lists.lists[B] = ValueList(plain);
    lists.lists[C] = WithNoSpeaker(flat);
    lists.lists[D] = ValueList(flat);
    return lists;
}

TargetCustomizationModel::TargetCustomizationModel(document::CHalvaneDoc& document, bool receiver, int maxFrequency)
    : document_(document),
      receiver_(receiver),
      maxFrequency_(maxFrequency),
      lists_(CrossoverLists::ForUnitKind(document.m_nUnitKind)) {}

void TargetCustomizationModel::Load() {
    // The whole record, so the detection sees the document's; only the
    // dialog's own fields are ever written back.
    working_ = document_.m_TargetConfig;
}

TargetCustomizationView TargetCustomizationModel::Update() {
    TargetCustomizationView view;
    view.maxEqGrid = CustomControls::SpinGrid(kMinMaxEqFrequency, maxFrequency_, 1);
    for (int c = 0; c < Basic::kConfigurations; ++c) {
        const auto cc = static_cast<std::size_t>(c);
        TargetColumnView& column = view.columns[cc];
        if (c == Basic::Music && working_.MusicUsesMovie != 0) {
            // "Same As Movie": the Music column shows the Movie values, with
            // the Movie choices, and edits nothing.
            column = view.columns[Basic::Movie];
            column.valuesEnabled = false;
            for (TargetGroupView& group : column.groups) group.spinEnabled = group.checkEnabled = false;
            continue;
        }
        const signal::CCurveSet* measured = document_.CurveSetSlot(c);
        auto has = [measured](int channel) { return measured != nullptr && measured->HasCurve(channel); };
        auto& crossover = working_.Crossover[cc];
        auto& flag = working_.GroupFlag[cc];
        for (TargetGroupView& group : column.groups) group.boundConfiguration = c;

        // Without a subwoofer (measured, or crossed over to) the fronts run
        // full range.
        TargetGroupView& front = column.groups[Basic::Front];
        const bool fullRangeFront = !has(kSubwooferChannel) || crossover[Basic::Front] == Basic::kNoCrossover;
        if (fullRangeFront) flag[Basic::Front] = 1;
        front.list = flag[Basic::Front] != 0 ? CrossoverLists::D : CrossoverLists::B;
        front.spinEnabled = true;
        front.checkEnabled = !fullRangeFront;

        const bool present[Basic::kGroups] = {true, has(kCenterChannel),
                                              has(kLeftSurroundChannel) && has(kRightSurroundChannel),
                                              has(kRightRearChannel), has(kSubwooferChannel)};
        for (int g = Basic::Center; g <= Basic::Subwoofer; ++g) {
            TargetGroupView& group = column.groups[static_cast<std::size_t>(g)];
            group.list = flag[static_cast<std::size_t>(g)] != 0 ? CrossoverLists::C : CrossoverLists::A;
            group.spinEnabled = present[g];
            group.checkEnabled = present[g] && g != Basic::Subwoofer;
        }
        for (int g = 0; g < Basic::kGroups; ++g)
            SnapToList(lists_[column.groups[static_cast<std::size_t>(g)].list], crossover[static_cast<std::size_t>(g)]);

        column.boundConfiguration = c;
        column.valuesEnabled = true;
        working_.MaxEqFrequency[cc] = view.maxEqGrid.snap(working_.MaxEqFrequency[cc]);
    }
    // The subwoofer's high-pass and its lowest equalised frequency never
    // lie above its crossover.
    for (std::size_t c = 0; c < Basic::kConfigurations; ++c) {
        const std::int32_t x = working_.Crossover[c][Basic::Subwoofer];
        if (working_.SubHighPassFrequency[c] > x) working_.SubHighPassFrequency[c] = x;
        if (working_.MinSubEqFrequency[c] > x) working_.MinSubEqFrequency[c] = x;
    }
    view.summary = Summary();
    return view;
}

std::string TargetCustomizationModel::SubwooferText(std::int32_t order, std::int32_t crossover, std::int32_t frequency,
                                                    std::int32_t minEq) {
    const ValueList& names = CustomControls::SlopeOrderNames();
    // An order outside the ten names (a damaged file) has no name: shown
    // as no speaker, as one above them is.
    if (crossover == Basic::kNoCrossover || order < 0 || static_cast<std::size_t>(order) >= names.size())
        return CrossoverLists::kNoSpeaker;
    const std::string& name = names[static_cast<std::size_t>(order)].label;
    if (order == 0) return name;
    if (order == 1) return Format("%s with min EQ FS: %d Hz", name, minEq);
    return Format("%s @ %d Hz with min EQ FS: %d Hz", name, frequency, minEq);
}

std::string TargetCustomizationModel::Summary() const {
    auto text = [this](std::size_t c) {
        return SubwooferText(working_.SubHighPassOrder[c], working_.Crossover[c][Basic::Subwoofer],
                             working_.SubHighPassFrequency[c], working_.MinSubEqFrequency[c]);
    };
    const std::string movie = text(Basic::Movie);
    const std::string music = working_.MusicUsesMovie != 0 ? movie : text(Basic::Music);
    char head[64];
    std::snprintf(head, sizeof head, "Reference Level Offset: %d\r\n", static_cast<int>(working_.RefLevel));
    return std::string(head) + "Movie Subwoofer HPF: " + movie + "\r\nMusic Subwoofer HPF: " + music;
}

void TargetCustomizationModel::WriteBack() const {
    design::TargetConfig& target = document_.m_TargetConfig;
    design::TargetConfig::SetValues(working_, target, working_.RoomGainDb, working_.MaxEqFrequency, working_.MusicUsesMovie,
                            working_.ConfigOption);
    target.MinSubEqFrequency = working_.MinSubEqFrequency;
    target.SubHighPassFrequency = working_.SubHighPassFrequency;
    target.SubHighPassOrder = working_.SubHighPassOrder;
    target.GroupFlag = working_.GroupFlag;
    target.RefLevel = working_.RefLevel;
    document_.SetModifiedFlag(true);
}

int TargetCustomizationModel::AutoDetect(document::TargetJobs* jobs, platform::WindowHandle parent) {
    if (jobs == nullptr) return 0;
    // The job works on copies: the document's measured curves are never
    // touched, so a Cancel afterwards leaves them exactly as they were (and
    // the views keep the very curves they show).
    std::array<signal::CCurveSet, Basic::kConfigurations> copies;
    for (int c = 0; c < Basic::kConfigurations; ++c)
        if (const signal::CCurveSet* measured = document_.CurveSetSlot(c))
            copies[static_cast<std::size_t>(c)].CopyFrom(*measured);
    return jobs->RunAutoDetectXOvers(parent, copies, working_, document_.m_nUnitKind);
}

AdvancedTargetModel TargetCustomizationModel::AdvancedValues() const {
    AdvancedTargetModel advanced;
    advanced.basic = working_;
    advanced.MinSubEqFrequency = working_.MinSubEqFrequency;
    advanced.SubHighPassFrequency = working_.SubHighPassFrequency;
    advanced.SubHighPassOrder = working_.SubHighPassOrder;
    advanced.RefLevel = working_.RefLevel;
    return advanced;
}

void TargetCustomizationModel::TakeAdvanced(const AdvancedTargetModel& advanced) {
    static_cast<design::TargetConfigBasic&>(working_) = advanced.basic;
    working_.MinSubEqFrequency = advanced.MinSubEqFrequency;
    working_.SubHighPassFrequency = advanced.SubHighPassFrequency;
    working_.SubHighPassOrder = advanced.SubHighPassOrder;
    working_.RefLevel = advanced.RefLevel;
}

}  // namespace halvane::app::models
