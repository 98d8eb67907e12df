#include "halvane/app/CSpeakerMeasurementSelectionDialog.h"

#include "halvane/app/CoreText.h"
#include "halvane/app/BCheck.h"
#include "halvane/app/CConflictResolution.h"
#include "halvane/app/CSpin.h"
#include "halvane/app/UiThreadCall.h"
#include "halvane/app/models/SpeakerSelectionPrompt.h"
#include "platform/qt/QtUserPrompt.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace halvane::app {

namespace ss = models::speaker_selection;
using CustomControls::BCheck;
using CustomControls::CSpin;

const char* const CSpeakerMeasurementSelectionDialog::kNote =
    "Note:\r\n\r\nIt is very important that you only connect the supplied Tessik Qex-1 microphone. If you also use "
    "Fenwarde Jom please make sure to disconnect the JOM microphone before continuing.\r\n\r\nThe measurement "
    "procedure will fail if you select speakers that are not connected.\r\n\r\nWe recommend using 5 positions. The "
    "first position should be situated in the center of the listening area.When choosing your other positions try "
    "to keep them within the listening area and away from walls.\r\n\r\nThe music configuration can use its own set "
    "of measured responses. This is off by default.";

CSpeakerMeasurementSelectionDialog::CSpeakerMeasurementSelectionDialog(models::SpeakerSelection& selection, QWidget* parent)
    : QDialog(parent), selection_(selection), rear_(new QComboBox(this)),
      useMovie_(new BCheck(kUseMovieId, tr("Use Movie Config measurements"), this)), note_(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("idd_113"));
    setWindowTitle(tr("Select speakers to measure."));
    setModal(true);

    auto* columns = new QGridLayout;
    const QString names[] = {tr("Movie"), tr("Music")};
    for (int c = 0; c < models::SpeakerSelection::kConfigurations; ++c) {
        auto* box = new QGroupBox(names[c], this);
        auto* grid = new QGridLayout(box);
        for (int g = 0; g < models::SpeakerSelection::kGroups; ++g) {
            auto* check = new BCheck(kCheckIds[c][g], CoreText(ss::GroupText(selection_, c, g)), box);
            checks_[c][g] = check;
            grid->addWidget(check, g, 0, 1, 2);
            connect(check, &BCheck::valueChanged, this, [this] { UpdateControls(); });
        }
        grid->addWidget(new QLabel(tr("Number of Positions"), box), models::SpeakerSelection::kGroups, 0);
        auto* spin = new CSpin(kPositionIds[c], box);
        spin->setMinimumWidth(60);
        positions_[c] = spin;
        grid->addWidget(spin, models::SpeakerSelection::kGroups, 1);
        connect(spin, &CSpin::valueChanged, this, [this] { UpdateControls(); });
        columns->addWidget(box, 0, c);
    }
    rear_->setObjectName(QStringLiteral("idc_%1").arg(kRearComboId));
    for (const std::string& choice : ss::RearChoices(selection_)) rear_->addItem(CoreText(choice));
    connect(rear_, &QComboBox::activated, this, [this](int index) {
        ss::ChooseRear(selection_, index);
        UpdateControls();
    });
    useMovie_->bind(&selection_.useMovieMeasurements, BCheck::kNotifyValue);
    connect(useMovie_, &BCheck::valueChanged, this, [this] { UpdateControls(); });

    note_->setObjectName(QStringLiteral("idc_%1").arg(kNoteId));
    note_->setReadOnly(true);
    note_->setFocusPolicy(Qt::NoFocus);
    note_->setPlainText(DialogText(tr(kNote).toStdString()));

    auto* rearRow = new QHBoxLayout;
    rearRow->addWidget(new QLabel(tr("Rear speakers"), this));
    rearRow->addWidget(rear_, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(rearRow);
    layout->addWidget(useMovie_);
    layout->addWidget(note_, 1);
    layout->addWidget(buttons);
    resize(520, 560);
    UpdateControls();
}

BCheck* CSpeakerMeasurementSelectionDialog::Check(int configuration, int group) const {
    return checks_.at(static_cast<std::size_t>(configuration)).at(static_cast<std::size_t>(group));
}

CSpin* CSpeakerMeasurementSelectionDialog::Positions(int configuration) const {
    return positions_.at(static_cast<std::size_t>(configuration));
}

void CSpeakerMeasurementSelectionDialog::UpdateControls() {
    // Rebinding a spin shows its value, which reports no change; still, a
    // change reported while updating must not update again.
    if (updating_) return;
    updating_ = true;
    const models::SpeakerSelectionView view = ss::Update(selection_);
    useMovie_->ShowValue();
    for (int c = 0; c < models::SpeakerSelection::kConfigurations; ++c) {
        const auto cc = static_cast<std::size_t>(c);
        // The controls edit the storage the rules say: Music's show Movie's
        // entries while the Movie measurements are reused.
        const auto edited = static_cast<std::size_t>(ss::EditedConfiguration(selection_, c));
        for (int g = 0; g < models::SpeakerSelection::kGroups; ++g) {
            const auto gg = static_cast<std::size_t>(g);
            BCheck* check = checks_[cc][gg];
            check->bind(&selection_.groups[edited][gg], BCheck::kNotifyValue);
            check->setChecked(view.checks[cc][gg].checked);
            check->setEnabled(view.checks[cc][gg].enabled);
        }
        positions_[cc]->setRange(
            models::CustomControls::SpinGrid(models::SpeakerSelection::kMinPositions, models::SpeakerSelection::kMaxPositions, 1),
            &selection_.positions[edited]);
        positions_[cc]->setEnabled(view.positionsEnabled[cc]);
    }
    rear_->setCurrentIndex(view.rearChoice);
    updating_ = false;
}

void CSpeakerMeasurementSelectionDialog::accept() {
    // A positions text still being typed counts as the user left it.
    for (CSpin* spin : positions_)
        if (!spin->validate()) return;
    ss::Update(selection_);
    QDialog::accept();
}

void InstallSpeakerSelectionDialog() {
    models::SetSpeakerSelectionShell([](models::SpeakerSelection& selection, platform::WindowHandle parent) {
        return CallOnUiThread(
            [&] {
                CSpeakerMeasurementSelectionDialog dialog(selection, platform::qt::WidgetOf(parent));
                return dialog.exec() == QDialog::Accepted;
            },
            false);
    });
}

}  // namespace halvane::app
