#pragma once

#include "halvane/app/models/SpeakerSelection.h"

#include <QDialog>

#include <array>

class QComboBox;
class QPlainTextEdit;

namespace halvane::app::CustomControls {
class BCheck;
class CSpin;
}  // namespace halvane::app::CustomControls

namespace halvane::app {

// Dialog 113, "Select speakers to measure.": per configuration the speaker
// groups present and the number of positions, the rear-speaker choice and
// whether Music reuses the Movie measurements. It edits the caller's
// selection in place; the caller reads it after OK.
class CSpeakerMeasurementSelectionDialog final : public QDialog {
    Q_OBJECT

public:
    static constexpr std::array<std::array<int, models::SpeakerSelection::kGroups>, models::SpeakerSelection::kConfigurations>
        kCheckIds{{{1039, 1040, 1041, 1042, 1044}, {1046, 1048, 1050, 1053, 1056}}};
    static constexpr std::array<int, models::SpeakerSelection::kConfigurations> kPositionIds{1070, 1071};
    static constexpr int kRearComboId = 1043;
    static constexpr int kUseMovieId = 1058;
    static constexpr int kNoteId = 1072;
    static const char* const kNote;

    explicit CSpeakerMeasurementSelectionDialog(models::SpeakerSelection& selection, QWidget* parent = nullptr);

    // Shows the selection with the dialog's rules applied (run again after
    // every change a control reports).
    void UpdateControls();

    CustomControls::BCheck* Check(int configuration, int group) const;
    CustomControls::CSpin* Positions(int configuration) const;
    QComboBox* RearCombo() const { return rear_; }
    CustomControls::BCheck* UseMovie() const { return useMovie_; }
    QPlainTextEdit* Note() const { return note_; }

public slots:
    void accept() override;

private:
    models::SpeakerSelection& selection_;
    std::array<std::array<CustomControls::BCheck*, models::SpeakerSelection::kGroups>, models::SpeakerSelection::kConfigurations>
        checks_{};
    std::array<CustomControls::CSpin*, models::SpeakerSelection::kConfigurations> positions_{};
    QComboBox* rear_;
    CustomControls::BCheck* useMovie_;
    QPlainTextEdit* note_;
    bool updating_ = false;
};

// Makes ChooseSpeakersToMeasure show the dialog (at start-up, on the
// user-interface thread).
void InstallSpeakerSelectionDialog();

}  // namespace halvane::app
