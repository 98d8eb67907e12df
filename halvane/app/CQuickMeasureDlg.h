#pragma once

#include "halvane/app/CGraphCtrlCurves.h"
#include "halvane/app/JobProgressBar.h"
#include "halvane/procedures/quickmeasure/CQuickMeasureController.h"
#include "halvane/procedures/quickmeasure/QuickMeasureView.h"
#include "halvane/signal/CComplexVector.h"
#include "halvane/signal/DbleVect.h"

#include <QDialog>

#include <list>

class QComboBox;
class QPlainTextEdit;
class QPushButton;

namespace halvane::app {

class CGraphCtrl;

// Quick Measure ("Quick Measure"): the live frequency response of one
// speaker. Connect, Disconnect, Start and Stop, the speaker box, the log,
// the progress bar, the graph of the last three responses, Autoscale and
// Close, over the controller that holds all of its logic. Close, Escape and
// the close box all close cleanly without holding up the interface: the
// dialog shows that it is closing while its worker ends the running task and
// lets go of the unit, and ends itself once that is done.
class CQuickMeasureDlg final : public QDialog, public procedures::QuickMeasureView, public CGraphCtrlCurves {
    Q_OBJECT

public:
    explicit CQuickMeasureDlg(procedures::CQuickMeasureController::Options options, QWidget* parent = nullptr);
    ~CQuickMeasureDlg() override;

    // Initialises the dialog and runs it modally.
    int RunModal();
    // Dialog initialisation alone (the speaker box, the worker, the controls).
    void InitDialog();

    procedures::CQuickMeasureController& Controller() { return controller_; }
    QPushButton* ConnectButton() const { return connect_; }
    QPushButton* DisconnectButton() const { return disconnect_; }
    QPushButton* StartButton() const { return start_; }
    QPushButton* StopButton() const { return stop_; }
    QPushButton* AutoscaleButton() const { return autoscale_; }
    QPushButton* CloseButton() const { return close_; }
    QComboBox* SpeakerBox() const { return speaker_; }
    QPlainTextEdit* Log() const { return log_; }
    CGraphCtrl* Graph() const { return graph_; }

    // QuickMeasureView
    void EnableControls(const procedures::quickmeasure::EnabledControls& enabled) override;
    void AppendLog(const std::string& text) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressPos(int position) override;
    void SetProgressBusy(bool busy) override;
    void CurvesChanged(bool rescale) override;

    // CGraphCtrlCurves
    void GetCurves(CGraphCtrl& control, models::CurveList& curves) override;
    bool GetScaleHint(CGraphCtrl& control, double& top) override;

public slots:
    void accept() override;
    void reject() override;

private:
    void CloseDialog(int result);

    procedures::CQuickMeasureController controller_;
    QPushButton* connect_;
    QPushButton* disconnect_;
    QPushButton* start_;
    QPushButton* stop_;
    QPushButton* autoscale_;
    QPushButton* close_;
    QComboBox* speaker_;
    QPlainTextEdit* log_;
    JobProgressBar* progress_;
    CGraphCtrl* graph_;

    // The drawn copies of the shown curves (in decibels), kept until the
    // next paint asks again.
    struct Copy {
        signal::DbleVect x;
        signal::CComplexVector values;
    };
    std::list<Copy> copies_;
    bool closing_ = false;
};

}  // namespace halvane::app
