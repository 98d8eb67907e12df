#include "marnoch/ui/CAboutBox.h"

#include "marnoch/MarnochTexts.h"
#include "marnoch/ui/DialogUnits.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

namespace marnoch::ui {

CAboutBox::CAboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromStdString("About " + kApplicationName));
    setObjectName("aboutBox");
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
    auto* name = new QLabel(QString::fromStdString(kApplicationName), this);
    version_ = new QLabel(QString::fromStdString("Version " + kVersionText), this);
    version_->setObjectName("versionLabel");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(version_);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    row->addWidget(buttons, 0, Qt::AlignTop);
    setLayout(row);
    setMinimumSize(FromDialogUnits(*this, 0, 0, 235, 55).size());
}

QString CAboutBox::versionText() const { return version_->text(); }

}  // namespace marnoch::ui
