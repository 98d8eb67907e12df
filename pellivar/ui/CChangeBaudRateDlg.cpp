#include "pellivar/ui/CChangeBaudRateDlg.h"

#include "pellivar/PortSpeeds.h"
#include "platform/qt/TitleFit.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace pellivar::ui {

CChangeBaudRateDlg::CChangeBaudRateDlg(QWidget* parent) : QDialog(parent), combo_(new QComboBox(this)) {
    setWindowTitle("Select Baud Rate");
    platform::qt::FitTitle(*this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Select new baud rate:", this));
    combo_->setObjectName("speeds1039");
    for (const char* s : {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}) combo_->addItem(s);
    combo_->setCurrentIndex(4);
    layout->addWidget(combo_);
    auto* buttons = new QHBoxLayout();
    auto* ok = new QPushButton("OK", this);
    auto* cancel = new QPushButton("Cancel", this);
    auto* all = new QPushButton("Try All", this);
    ok->setDefault(true);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(all);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, [this] {
        tryAll_ = false;
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(all, &QPushButton::clicked, this, [this] {
        tryAll_ = true;
        accept();
    });
}

int CChangeBaudRateDlg::SpeedIndex() const { return combo_->currentIndex(); }

void CChangeBaudRateDlg::SetSpeedIndex(int index) {
    if (PortSpeeds::valid(index)) combo_->setCurrentIndex(index);
}

}  // namespace pellivar::ui
