#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QProgressBar;
class QTimer;

namespace pellivar {
class CBasicTessikPort;
}  // namespace pellivar

namespace pellivar::ui {

// The modeless "Please wait.... finding unit...." shown while a search runs,
// with where the search stands: the port and speed being tried and how many
// of that port's speeds have been tried.
class CWaitDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CWaitDlg(CBasicTessikPort& port, QWidget* parent = nullptr);
    QString Text() const;
    QString ProgressText() const;
    int ProgressValue() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void UpdateProgress();

    CBasicTessikPort& port_;
    QLabel* text_;
    QLabel* progressText_;
    QProgressBar* progress_;
    QTimer* timer_;
};

}  // namespace pellivar::ui
