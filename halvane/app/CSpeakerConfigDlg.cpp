#include "halvane/app/CSpeakerConfigDlg.h"

#include "halvane/app/BCheck.h"
#include "halvane/app/CAdvancedTargetConfigurationDlg.h"
#include "halvane/app/CConflictResolution.h"
#include "halvane/app/CEditPDouble.h"
#include "halvane/app/CSpin.h"
#include "halvane/app/QuietenControls.h"
#include "halvane/app/SpinTextBox.h"
#include "halvane/app/UiThreadCall.h"
#include "halvane/app/models/AdvancedTargetModel.h"
#include "halvane/app/models/TargetCustomizationShell.h"
#include "halvane/document/CHalvaneDoc.h"
#include "platform/StringTable.h"
#include "platform/qt/QtUserPrompt.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace halvane::app {

using CustomControls::BCheck;
using CustomControls::CEditPDouble;
using CustomControls::CSpin;
using CustomControls::SpinTextBox;
using Basic = design::TargetConfigBasic;

const char* const CSpeakerConfigDlg::kExplanation =
    "The response cutoff of a speaker group is the crossover frequency below which its sound goes to the "
    "subwoofer; the correction works above it. \"Full range X-Over\" offers \"Flat\" for speakers that play the "
    "full range. Choose \"No Speaker\" for a group that is not connected.\r\n\r\nAuto Detect proposes the "
    "cutoffs from the measurements.";

namespace {

bool RunAdvancedModally(models::AdvancedTargetModel& values, QWidget* parent) {
    CAdvancedTargetConfigurationDlg dialog(values, parent);
    return dialog.exec() == QDialog::Accepted;
}

QString ExplanationText() {
    const std::optional<std::string> text = platform::processStrings().find(CSpeakerConfigDlg::kExplanationId);
    return DialogText(text.value_or(CSpeakerConfigDlg::kExplanation));
}

}  // namespace

CSpeakerConfigDlg::CSpeakerConfigDlg(bool receiver, int maxFrequency, QWidget* parent, document::CHalvaneDoc& document,
                                     document::TargetJobs* jobs)
    : QDialog(parent), model_(document, receiver, maxFrequency), jobs_(jobs), advancedRunner_(RunAdvancedModally),
      sameAsMovie_(new BCheck(kSameAsMovieId, tr("Same As Movie"), this)),
      autoDetect_(new QPushButton(tr("Auto Detect"), this)), advanced_(new QPushButton(tr("Advanced"), this)),
      explanation_(new QPlainTextEdit(this)), summary_(new QPlainTextEdit(this)),
      rearLabel_(new QLabel(tr("7.1 L/R Rears:"), this)),
      binding_([](std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t { return 0; }, this) {
    setObjectName(QStringLiteral("idd_111"));
    setWindowTitle(tr("Target Customization"));
    setModal(true);
    model_.Load();

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Movie"), this), 0, 1, 1, 2, Qt::AlignCenter);
    grid->addWidget(new QLabel(tr("Music"), this), 0, 3, 1, 2, Qt::AlignCenter);
    const QString rowNames[] = {tr("L/R Fronts:"), tr("Center:"), tr("L/R Surrounds:"), QString(), tr("Subwoofer:")};
    rearLabel_->setObjectName(QStringLiteral("idc_%1").arg(kRearLabelId));
    if (receiver) rearLabel_->setText(tr("Rears/Heights:"));
    for (int g = 0; g < Basic::kGroups; ++g) {
        if (g == Basic::Rear)
            grid->addWidget(rearLabel_, g + 1, 0);
        else
            grid->addWidget(new QLabel(rowNames[g], this), g + 1, 0);
    }
    grid->addWidget(new QLabel(tr("Max EQ freq:"), this), 6, 0);
    grid->addWidget(new QLabel(tr("Room Gain (dB):"), this), 7, 0);

    auto update = [this] { UpdateControls(); };
    for (std::size_t c = 0; c < 2; ++c) {
        const int column = 1 + 2 * static_cast<int>(c);
        for (std::size_t g = 0; g < Basic::kGroups; ++g) {
            auto* spin = new SpinTextBox(kCrossoverIds[c][g], this);
            spin->setMinimumWidth(90);
            crossover_[c][g] = spin;
            grid->addWidget(spin, static_cast<int>(g) + 1, column);
            connect(spin, &SpinTextBox::valueChanged, this, update);
            if (g == Basic::Subwoofer) continue;
            auto* check = new BCheck(kFullRangeIds[c][g], tr("Full range X-Over"), this);
            fullRange_[c][g] = check;
            grid->addWidget(check, static_cast<int>(g) + 1, column + 1);
            connect(check, &BCheck::valueChanged, this, update);
        }
        maxEq_[c] = new CSpin(kMaxEqIds[c], this);
        grid->addWidget(maxEq_[c], 6, column);
        connect(maxEq_[c], &CSpin::valueChanged, this, update);
        roomGain_[c] = new CEditPDouble(kRoomGainIds[c], this);
        grid->addWidget(roomGain_[c], 7, column);
    }
    sameAsMovie_->bind(&model_.Working().MusicUsesMovie, BCheck::kNotifyValue);
    connect(sameAsMovie_, &BCheck::valueChanged, this, update);

    autoDetect_->setObjectName(QStringLiteral("idc_%1").arg(kAutoDetectId));
    advanced_->setObjectName(QStringLiteral("idc_%1").arg(kAdvancedId));
    autoDetect_->setAutoDefault(false);
    advanced_->setAutoDefault(false);
    connect(autoDetect_, &QPushButton::clicked, this, &CSpeakerConfigDlg::OnAutoDetect);
    connect(advanced_, &QPushButton::clicked, this, &CSpeakerConfigDlg::OnAdvanced);

    for (QPlainTextEdit* text : {explanation_, summary_}) {
        text->setReadOnly(true);
        text->setFocusPolicy(Qt::NoFocus);
    }
    explanation_->setObjectName(QStringLiteral("idc_%1").arg(kExplanationId));
    summary_->setObjectName(QStringLiteral("idc_%1").arg(kSummaryId));
    explanation_->setPlainText(ExplanationText());
    explanation_->setMaximumHeight(90);
    summary_->setMaximumHeight(70);

    auto* options = new QHBoxLayout;
    options->addWidget(sameAsMovie_);
    options->addStretch(1);
    options->addWidget(autoDetect_);
    options->addWidget(advanced_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation_);
    layout->addLayout(grid);
    layout->addLayout(options);
    layout->addWidget(summary_);
    layout->addWidget(buttons);
    resize(620, 520);
    UpdateControls();
}

CSpeakerConfigDlg::~CSpeakerConfigDlg() { QuietenControls(*this); }

SpinTextBox* CSpeakerConfigDlg::Crossover(int configuration, int group) const {
    return crossover_.at(static_cast<std::size_t>(configuration)).at(static_cast<std::size_t>(group));
}
BCheck* CSpeakerConfigDlg::FullRange(int configuration, int group) const {
    return fullRange_.at(static_cast<std::size_t>(configuration)).at(static_cast<std::size_t>(group));
}
CSpin* CSpeakerConfigDlg::MaxEq(int configuration) const { return maxEq_.at(static_cast<std::size_t>(configuration)); }
CEditPDouble* CSpeakerConfigDlg::RoomGain(int configuration) const {
    return roomGain_.at(static_cast<std::size_t>(configuration));
}

void CSpeakerConfigDlg::UpdateControls() {
    // Refilling a control shows its value and reports no change; a change
    // reported while refilling must still not update again.
    if (updating_) return;
    updating_ = true;
    const models::TargetCustomizationView view = model_.Update();
    design::TargetConfig& w = model_.Working();
    for (std::size_t c = 0; c < 2; ++c) {
        const models::TargetColumnView& column = view.columns[c];
        for (std::size_t g = 0; g < Basic::kGroups; ++g) {
            const models::TargetGroupView& group = column.groups[g];
            const auto b = static_cast<std::size_t>(group.boundConfiguration);
            crossover_[c][g]->setValues(model_.Lists()[group.list], &w.Crossover[b][g]);
            crossover_[c][g]->setEnabled(group.spinEnabled);
            if (g == Basic::Subwoofer) continue;
            fullRange_[c][g]->bind(&w.GroupFlag[b][g], BCheck::kNotifyValue);
            fullRange_[c][g]->setEnabled(group.checkEnabled);
        }
        const auto b = static_cast<std::size_t>(column.boundConfiguration);
        maxEq_[c]->setRange(view.maxEqGrid, &w.MaxEqFrequency[b]);
        maxEq_[c]->setEnabled(column.valuesEnabled);
        roomGain_[c]->bind(&w.RoomGainDb[b], models::TargetCustomizationModel::kMinRoomGainDb,
                           models::TargetCustomizationModel::kMaxRoomGainDb);
        roomGain_[c]->setEnabled(column.valuesEnabled);
    }
    sameAsMovie_->ShowValue();
    summary_->setPlainText(DialogText(view.summary));
    updating_ = false;
}

void CSpeakerConfigDlg::OnAutoDetect() {
    model_.AutoDetect(jobs_, binding_.handle());
    UpdateControls();
}

void CSpeakerConfigDlg::OnAdvanced() {
    models::AdvancedTargetModel values = model_.AdvancedValues();
    if (advancedRunner_ && advancedRunner_(values, this)) model_.TakeAdvanced(values);
    UpdateControls();
}

void CSpeakerConfigDlg::accept() {
    // A text still being typed counts as the user left it.
    for (std::size_t c = 0; c < 2; ++c) {
        for (SpinTextBox* spin : crossover_[c])
            if (!spin->validate()) return;
        if (!maxEq_[c]->validate() || !roomGain_[c]->validate()) return;
    }
    // The typed values obey the same rules as the ones stepped to.
    UpdateControls();
    QDialog::accept();
    model_.WriteBack();
}

void InstallTargetCustomizationDialog() {
    models::SetTargetCustomizationShell(
        [](document::CHalvaneDoc& document, bool receiver, int maxFrequency, platform::WindowHandle parent, document::TargetJobs* jobs) {
            return CallOnUiThread(
                [&] {
                    CSpeakerConfigDlg dialog(receiver, maxFrequency, platform::qt::WidgetOf(parent), document, jobs);
                    return dialog.exec() == QDialog::Accepted;
                },
                false);
        });
}

}  // namespace halvane::app
