#include "pellivar/ui/CLoadStdOutputFormatDlg.h"

#include "pellivar/ui/MessageBoxes.h"
#include "platform/qt/TitleFit.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace pellivar::ui {

CLoadStdOutputFormatDlg::CLoadStdOutputFormatDlg(QWidget* parent) : QDialog(parent), combo_(new QComboBox(this)) {
    setWindowTitle("Load Standard Output Format");
    platform::qt::FitTitle(*this);
    auto* layout = new QVBoxLayout(this);
    combo_->setObjectName("formats1083");
    for (const StandardOutputFormat& f : kStandardOutputFormats) combo_->addItem(f.name);
    combo_->setCurrentIndex(0);
    layout->addWidget(combo_);
    auto* buttons = new QHBoxLayout();
    auto* ok = new QPushButton("OK", this);
    auto* cancel = new QPushButton("Cancel", this);
    ok->setDefault(true);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &CLoadStdOutputFormatDlg::OnOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CLoadStdOutputFormatDlg::OnOk() {
    const int at = combo_->currentIndex();
    if (at < 0 || at >= static_cast<int>(kStandardOutputFormats.size())) {
        ShowErrorBox(kInvalidSelectionText);
        return;
    }
    chosen_ = at;
    accept();
}

}  // namespace pellivar::ui
