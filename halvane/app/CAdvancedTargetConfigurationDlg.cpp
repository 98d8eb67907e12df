#include "halvane/app/CAdvancedTargetConfigurationDlg.h"

#include "halvane/app/CSpin.h"
#include "halvane/app/QuietenControls.h"
#include "halvane/app/SpinTextBox.h"
#include "halvane/app/models/ValueList.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace halvane::app {

using CustomControls::CSpin;
using CustomControls::SpinTextBox;

CAdvancedTargetConfigurationDlg::CAdvancedTargetConfigurationDlg(models::AdvancedTargetModel& values, QWidget* parent)
    : QDialog(parent), values_(values), refLevel_(new CSpin(kRefLevelId, this)) {
    setObjectName(QStringLiteral("idd_464"));
    setWindowTitle(tr("Advanced Target Customization"));
    setModal(true);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Movie"), this), 0, 1, Qt::AlignCenter);
    grid->addWidget(new QLabel(tr("Music"), this), 0, 2, Qt::AlignCenter);
    // The labels are the system's own, "Freqency" included.
    grid->addWidget(new QLabel(tr("Subwoofer High Pass Order:"), this), 1, 0);
    grid->addWidget(new QLabel(tr("Subwoofer High Pass Freqency:"), this), 2, 0);
    grid->addWidget(new QLabel(tr("Min Subwoofer EQ Freq:"), this), 3, 0);
    grid->addWidget(new QLabel(tr("Ref Level (All Speakers):"), this), 4, 0);
    auto notify = [this] { UpdateControls(); };
    for (std::size_t c = 0; c < 2; ++c) {
        order_[c] = new SpinTextBox(kOrderIds[c], this);
        frequency_[c] = new CSpin(kFrequencyIds[c], this);
        minEq_[c] = new CSpin(kMinEqIds[c], this);
        const int column = static_cast<int>(c) + 1;
        grid->addWidget(order_[c], 1, column);
        grid->addWidget(frequency_[c], 2, column);
        grid->addWidget(minEq_[c], 3, column);
        connect(order_[c], &SpinTextBox::valueChanged, this, notify);
        connect(frequency_[c], &CSpin::valueChanged, this, notify);
        connect(minEq_[c], &CSpin::valueChanged, this, notify);
    }
    grid->addWidget(refLevel_, 4, 1);
    connect(refLevel_, &CSpin::valueChanged, this, notify);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    UpdateControls();
}

CAdvancedTargetConfigurationDlg::~CAdvancedTargetConfigurationDlg() { QuietenControls(*this); }

SpinTextBox* CAdvancedTargetConfigurationDlg::Order(int configuration) const {
    return order_.at(static_cast<std::size_t>(configuration));
}
CSpin* CAdvancedTargetConfigurationDlg::Frequency(int configuration) const {
    return frequency_.at(static_cast<std::size_t>(configuration));
}
CSpin* CAdvancedTargetConfigurationDlg::MinEq(int configuration) const {
    return minEq_.at(static_cast<std::size_t>(configuration));
}

void CAdvancedTargetConfigurationDlg::UpdateControls() {
    if (updating_) return;
    updating_ = true;
    const models::AdvancedTargetView view = values_.Update();
    for (std::size_t c = 0; c < 2; ++c) {
        const models::AdvancedColumnView& column = view.columns[c];
        const auto b = static_cast<std::size_t>(column.boundConfiguration);
        order_[c]->setValues(models::CustomControls::SlopeOrderNames(), &values_.SubHighPassOrder[b]);
        frequency_[c]->setRange(column.frequencyGrid, &values_.SubHighPassFrequency[b]);
        minEq_[c]->setRange(column.frequencyGrid, &values_.MinSubEqFrequency[b]);
        order_[c]->setEnabled(column.orderEnabled);
        frequency_[c]->setEnabled(column.frequencyEnabled);
        minEq_[c]->setEnabled(column.minEqEnabled);
    }
    refLevel_->setRange(view.refLevelGrid, &values_.RefLevel);
    updating_ = false;
}

void CAdvancedTargetConfigurationDlg::accept() {
    // A text still being typed counts as the user left it.
    for (std::size_t c = 0; c < 2; ++c)
        if (!order_[c]->validate() || !frequency_[c]->validate() || !minEq_[c]->validate()) return;
    if (!refLevel_->validate()) return;
    QDialog::accept();
}

}  // namespace halvane::app
