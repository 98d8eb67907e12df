#pragma once

#include <QDialog>

class QLabel;

namespace pellivar {

// The modeless "Please wait.... finding unit...." shown while a search runs.
class CWaitDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CWaitDlg(QWidget* parent = nullptr);
    QString Text() const;

private:
    QLabel* text_;
};

}  // namespace pellivar
