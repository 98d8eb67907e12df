#pragma once

#include "halvane/app/models/TargetCustomizationModel.h"
#include "halvane/document/TargetJobs.h"
#include "platform/WindowBinding.h"

#include <QDialog>

#include <array>
#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace halvane::app::CustomControls {
class BCheck;
class CEditPDouble;
class CSpin;
class SpinTextBox;
}  // namespace halvane::app::CustomControls

namespace halvane::app::models {
class AdvancedTargetModel;
}
namespace halvane::document {
class CHalvaneDoc;
}

namespace halvane::app {


// Dialog 111, "Target Customization": the response cutoff (crossover) of
// every speaker group, the full-range option of the main groups, the
// highest equalised frequency and the room gain of Movie and Music side by
// side, with "Same As Movie". Advanced opens the subwoofer and
// reference-level settings; Auto Detect reruns the crossover detection into
// the dialog. It edits a working copy of the document's target
// configuration and writes it into the document only on OK.
class CSpeakerConfigDlg final : public QDialog {
    Q_OBJECT

public:
    // Columns Movie, Music; rows Front, Center, Surround, Rear, Subwoofer.
    static constexpr std::array<std::array<int, 5>, 2> kCrossoverIds{
        {{1013, 1025, 1019, 1021, 1023}, {1016, 1026, 1020, 1022, 1024}}};
    // "Full range X-Over" of Front, Center, Surround and Rear.
    static constexpr std::array<std::array<int, 4>, 2> kFullRangeIds{
        {{1080, 1081, 1082, 1083}, {1086, 1084, 1087, 1088}}};
    static constexpr std::array<int, 2> kMaxEqIds{1059, 1060};
    static constexpr std::array<int, 2> kRoomGainIds{1047, 1051};
    static constexpr int kSameAsMovieId = 1038;
    static constexpr int kAutoDetectId = 1036;
    static constexpr int kAdvancedId = 1028;
    static constexpr int kExplanationId = 1085;  // also the string-table entry it shows
    static constexpr int kSummaryId = 1089;
    static constexpr int kRearLabelId = 1092;
    // The explanation shown when the string table has no entry 1085.
    static const char* const kExplanation;

    // Runs the advanced dialog on `values` over `parent`; true after OK.
    using AdvancedRunner = std::function<bool(models::AdvancedTargetModel& values, QWidget* parent)>;

    // `receiver`: unit kind 4; `maxFrequency`: 5000 for unit kind 4, else
    // 20000. `jobs` starts Auto Detect (null: the button changes nothing).
    CSpeakerConfigDlg(bool receiver, int maxFrequency, QWidget* parent, document::CHalvaneDoc& document,
                      document::TargetJobs* jobs = nullptr);
    ~CSpeakerConfigDlg() override;

    // Binds, fills and enables every control by the working values (after
    // every change a control reports, Auto Detect and Advanced).
    void UpdateControls();
    // Replaces how Advanced runs its dialog (modally, by default).
    void SetAdvancedRunner(AdvancedRunner runner) { advancedRunner_ = std::move(runner); }

    void OnAutoDetect();
    void OnAdvanced();

    models::TargetCustomizationModel& Model() { return model_; }
    CustomControls::SpinTextBox* Crossover(int configuration, int group) const;
    // Groups Front to Rear.
    CustomControls::BCheck* FullRange(int configuration, int group) const;
    CustomControls::CSpin* MaxEq(int configuration) const;
    CustomControls::CEditPDouble* RoomGain(int configuration) const;
    CustomControls::BCheck* SameAsMovie() const { return sameAsMovie_; }
    QPushButton* AutoDetectButton() const { return autoDetect_; }
    QPushButton* AdvancedButton() const { return advanced_; }
    QPlainTextEdit* Explanation() const { return explanation_; }
    QPlainTextEdit* Summary() const { return summary_; }
    QLabel* RearLabel() const { return rearLabel_; }
    platform::WindowHandle Handle() const { return binding_.handle(); }

public slots:
    // OK: the controls' texts are taken, the dialog closes and the working
    // values go into the document.
    void accept() override;

private:
    models::TargetCustomizationModel model_;
    document::TargetJobs* jobs_;
    AdvancedRunner advancedRunner_;
    std::array<std::array<CustomControls::SpinTextBox*, 5>, 2> crossover_{};
    std::array<std::array<CustomControls::BCheck*, 4>, 2> fullRange_{};
    std::array<CustomControls::CSpin*, 2> maxEq_{};
    std::array<CustomControls::CEditPDouble*, 2> roomGain_{};
    CustomControls::BCheck* sameAsMovie_;
    QPushButton* autoDetect_;
    QPushButton* advanced_;
    QPlainTextEdit* explanation_;
    QPlainTextEdit* summary_;
    QLabel* rearLabel_;
    platform::WindowBinding binding_;
    bool updating_ = false;
};

// Makes OpenTargetCustomization show CSpeakerConfigDlg modally (at
// start-up, on the user-interface thread).
void InstallTargetCustomizationDialog();

}  // namespace halvane::app
