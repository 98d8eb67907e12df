#include "halvane/app/CWelcomeDlg.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "halvane/document/AppState.h"

namespace halvane::app {

CWelcomeDlg::CWelcomeDlg(document::AppState& app, QWidget* parent) : QDialog(parent), app_(app) {
    setWindowTitle("Halvane");
    setObjectName("idd_108");
    auto* layout = new QVBoxLayout(this);
    auto* welcome = new QLabel(tr("Welcome!"), this);
    welcome->setObjectName("idc_1031");
    QFont font = welcome->font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    welcome->setFont(font);
    layout->addWidget(welcome);
    automatic_ = new QRadioButton(tr("Automatic (Recommended)"), this);
    automatic_->setObjectName("idc_1029");
    manual_ = new QRadioButton(tr("Manual or Open Existing File"), this);
    manual_->setObjectName("idc_1028");
    (app_.StartMode.load() == document::AppState::Manual ? manual_ : automatic_)->setChecked(true);
    automatic_->installEventFilter(this);
    manual_->installEventFilter(this);
    layout->addWidget(automatic_);
    layout->addWidget(manual_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setObjectName("idok");
    QPushButton* exitButton = buttons->addButton(tr("Exit"), QDialogButtonBox::RejectRole);
    exitButton->setObjectName("idcancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CWelcomeDlg::accept() {
    app_.StartMode = manual_->isChecked() ? document::AppState::Manual : document::AppState::Automatic;
    QDialog::accept();
}

bool CWelcomeDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick && (watched == automatic_ || watched == manual_)) {
        static_cast<QRadioButton*>(watched)->setChecked(true);
        accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace halvane::app
