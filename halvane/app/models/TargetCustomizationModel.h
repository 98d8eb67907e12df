#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "halvane/app/models/SpinGrid.h"
#include "halvane/app/models/ValueList.h"
#include "halvane/design/TargetConfig.h"
#include "halvane/document/StoredValueRanges.h"
#include "platform/WindowHandle.h"

namespace halvane::document {
class CHalvaneDoc;
}
namespace halvane::document {
class TargetJobs;
}

namespace halvane::app::models {

class AdvancedTargetModel;

// The crossover choices of a unit class as the target customisation offers
// them; every entry is a (frequency, label) pair.
struct CrossoverLists {
    enum Kind : int {
        A = 0,  // the plain crossover list, then (170, "No Speaker")
        B = 1,  // the plain crossover list
        C = 2,  // the list with "Flat", then (170, "No Speaker")
        D = 3,  // the list with "Flat" (the plain list if the class has none)
    };
    static constexpr const char* kNoSpeaker = "No Speaker";
    // The unit class whose lists a document of no known unit kind offers.
    static constexpr std::int32_t kUnitClassBeforeAnyUnit = 2;

    // The lists of unit kind `unitKind` (1, 2 or 4); any other kind (a new
    // document) gets those of kUnitClassBeforeAnyUnit.
    static CrossoverLists ForUnitKind(std::int32_t unitKind);
    const CustomControls::ValueList& operator[](Kind kind) const { return lists[static_cast<std::size_t>(kind)]; }

    std::array<CustomControls::ValueList, 4> lists;
};

// One speaker group's row in one column of the target customisation.
struct TargetGroupView {
    CrossoverLists::Kind list = CrossoverLists::A;
    // The configuration whose crossover and group flag the row's controls
    // edit (Movie for the Music column under "Same As Movie").
    int boundConfiguration = 0;
    bool spinEnabled = false;
    // The "Full range X-Over" check (the subwoofer row has none).
    bool checkEnabled = false;
};

struct TargetColumnView {
    std::array<TargetGroupView, design::TargetConfigBasic::kGroups> groups;
    // Room gain and maximum EQ frequency: whose values, and whether editable.
    int boundConfiguration = 0;
    bool valuesEnabled = false;
};

struct TargetCustomizationView {
    std::array<TargetColumnView, design::TargetConfigBasic::kConfigurations> columns;
    CustomControls::SpinGrid maxEqGrid;
    std::string summary;
};

// "Target Customization" apart from its window: the working copy of the
// document's target configuration that the dialog edits, the rules that
// decide what each control offers and whether it is enabled, the summary
// text, and the write-back on OK. Nothing reaches the document before
// WriteBack.
class TargetCustomizationModel {
public:
    static constexpr double kMinRoomGainDb = 0.0;
    // Capped where a document stops holding levels, so that whatever the
    // dialog accepts is saved into a document that opens again.
    static constexpr double kMaxRoomGainDb = document::StoredValueRanges::kLevelDb.highest;
    static constexpr int kMinMaxEqFrequency = 200;
    // The dialog's limits: the receivers equalise up to 5000 Hz.
    static constexpr int kReceiverMaxFrequency = 5000;
    static constexpr int kMaxFrequency = 20000;

    // `receiver`: the document is for the receiver class (unit kind 4);
    // `maxFrequency`: the highest maximum EQ frequency offered.
    TargetCustomizationModel(document::CHalvaneDoc& document, bool receiver, int maxFrequency);

    // The dialog's opening: copies the document's values into the working
    // values (basic part, subwoofer arrays, group flags, reference level).
    void Load();
    // The rules for the current working values (see the .cpp). Adjusts the
    // working values as the dialog does: a Front without a subwoofer
    // measurement or crossover runs full range; a subwoofer high-pass or
    // minimum EQ frequency above the subwoofer crossover comes down to it;
    // the values the controls show move onto their choices.
    TargetCustomizationView Update();
    // OK: the working values into the document's target configuration.
    // Other fields of it stay.
    void WriteBack() const;

    // Auto Detect: runs the crossover detection on copies of the document's
    // measured sets (slots 0 and 1) and the working values, then puts the
    // copies back. Returns the job's result; without jobs nothing happens (0).
    int AutoDetect(document::TargetJobs* jobs, platform::WindowHandle parent);

    // Advanced: the values the advanced dialog starts from, and taking them
    // back after its OK.
    AdvancedTargetModel AdvancedValues() const;
    void TakeAdvanced(const AdvancedTargetModel& advanced);

    // The summary line of one configuration's subwoofer high-pass by its
    // order n, subwoofer crossover x, high-pass frequency f and minimum EQ
    // frequency m.
    static std::string SubwooferText(std::int32_t order, std::int32_t crossover, std::int32_t frequency,
                                     std::int32_t minEq);
    std::string Summary() const;

    design::TargetConfig& Working() { return working_; }
    const design::TargetConfig& Working() const { return working_; }
    const CrossoverLists& Lists() const { return lists_; }
    bool Receiver() const { return receiver_; }
    int MaxFrequency() const { return maxFrequency_; }
    document::CHalvaneDoc& Document() const { return document_; }

private:
    document::CHalvaneDoc& document_;
    bool receiver_;
    int maxFrequency_;
    CrossoverLists lists_;
    // Only the basic part, the subwoofer arrays, GroupFlag and RefLevel are
    // the dialog's; the rest is carried for the detection and never written.
    design::TargetConfig working_;
};

}  // namespace halvane::app::models
