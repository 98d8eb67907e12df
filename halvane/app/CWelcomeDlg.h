#pragma once

#include <QDialog>

class QRadioButton;

namespace halvane::document {
class AppState;
}

namespace halvane::app {


// The welcome page at start: the automatic way (the wizard) or the manual
// one. OK, or a double click on either choice, stores the choice as the
// start mode; "Exit" ends with Cancel and leaves it alone.
class CWelcomeDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CWelcomeDlg(document::AppState& app, QWidget* parent = nullptr);

    QRadioButton* Automatic() const { return automatic_; }
    QRadioButton* Manual() const { return manual_; }

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    document::AppState& app_;
    QRadioButton* automatic_;
    QRadioButton* manual_;
};

}  // namespace halvane::app
