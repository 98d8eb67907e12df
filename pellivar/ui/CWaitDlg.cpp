#include "pellivar/ui/CWaitDlg.h"

#include <QLabel>
#include <QVBoxLayout>

namespace pellivar {

CWaitDlg::CWaitDlg(QWidget* parent) : QDialog(parent), text_(new QLabel("Please wait.... finding unit....", this)) {
    setWindowTitle("Pellivar");
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    setMinimumWidth(280);
}

QString CWaitDlg::Text() const { return text_->text(); }

}  // namespace pellivar
