#include "halvane/app/CQuickMeasureDlg.h"

#include "halvane/app/CoreText.h"
#include "halvane/app/CGraphCtrl.h"
#include "halvane/procedures/framework/ChannelNames.h"
#include "platform/UserPrompt.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace halvane::app {

namespace {

QPushButton* MakeButton(const QString& text, const char* name, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    // Return must not press a button that starts or ends a task.
    b->setAutoDefault(false);
    return b;
}

}  // namespace

CQuickMeasureDlg::CQuickMeasureDlg(procedures::CQuickMeasureController::Options options, QWidget* parent)
    : QDialog(parent), controller_(std::move(options)), connect_(MakeButton(tr("Connect"), "idc_1091", this)),
      disconnect_(MakeButton(tr("Disconnect"), "idc_1093", this)), start_(MakeButton(tr("Start"), "idc_1089", this)),
      stop_(MakeButton(tr("Stop"), "idc_1090", this)), autoscale_(MakeButton(tr("Autoscale"), "idc_1092", this)),
      close_(MakeButton(tr("Close"), "idok", this)), speaker_(new QComboBox(this)), log_(new QPlainTextEdit(this)),
      progress_(new JobProgressBar(this)), graph_(new CGraphCtrl(this)) {
    setWindowTitle(tr("Quick Measure"));
    setModal(true);
    speaker_->setObjectName(QStringLiteral("idc_1052"));
    log_->setObjectName(QStringLiteral("idc_1094"));
    log_->setReadOnly(true);
    log_->setMinimumHeight(90);
    progress_->setObjectName(QStringLiteral("idc_1095"));
    progress_->setTextVisible(false);
    progress_->SetJobRange(0, 1);
    graph_->setObjectName(QStringLiteral("idc_1030"));
    graph_->setMinimumSize(480, 280);
    graph_->SetCurveOwner(this);

    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(tr("Speaker:"), this));
    controls->addWidget(speaker_);
    controls->addStretch();
    for (QPushButton* b : {connect_, disconnect_, start_, stop_}) controls->addWidget(b);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(progress_, 1);
    bottom->addWidget(autoscale_);
    bottom->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(graph_, 1);
    layout->addWidget(log_);
    layout->addLayout(bottom);

    connect(connect_, &QPushButton::clicked, this, [this] { controller_.OnConnect(); });
    connect(disconnect_, &QPushButton::clicked, this, [this] { controller_.OnDisconnect(); });
    connect(start_, &QPushButton::clicked, this, [this] { controller_.OnStart(); });
    connect(stop_, &QPushButton::clicked, this, [this] { controller_.OnStop(); });
    connect(autoscale_, &QPushButton::clicked, this, [this] {
        graph_->AutoScale(true);
        graph_->update();
    });
    connect(close_, &QPushButton::clicked, this, &CQuickMeasureDlg::accept);
    connect(speaker_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) controller_.OnSpeakerSelected(speaker_->itemData(index).toInt());
    });

    controller_.Attach(*this, this, progress_);
}

CQuickMeasureDlg::~CQuickMeasureDlg() {
    controller_.Close();
    controller_.Detach();
    graph_->SetCurveOwner(nullptr);
}

void CQuickMeasureDlg::InitDialog() {
    speaker_->blockSignals(true);
    speaker_->clear();
    for (int channel = 0; channel < signal::ChannelTable::kCount; ++channel)
        speaker_->addItem(CoreText(procedures::ChannelNames[static_cast<std::size_t>(channel)]), channel);
    speaker_->setCurrentIndex(std::clamp(controller_.Channel(), 0, signal::ChannelTable::kCount - 1));
    speaker_->blockSignals(false);
    controller_.OnInitDialog();
}

int CQuickMeasureDlg::RunModal() {
    InitDialog();
    return exec();
}

void CQuickMeasureDlg::EnableControls(const procedures::quickmeasure::EnabledControls& enabled) {
    connect_->setEnabled(enabled.connect);
    disconnect_->setEnabled(enabled.disconnect);
    start_->setEnabled(enabled.start);
    stop_->setEnabled(enabled.stop);
    speaker_->setEnabled(enabled.speaker);
}

void CQuickMeasureDlg::AppendLog(const std::string& text) {
    // One line at the end of the log (the edit box's "\r\n" line end is
    // the paragraph break here), whatever the user has scrolled to.
    log_->appendPlainText(CoreText(text));
    log_->moveCursor(QTextCursor::End);
}

void CQuickMeasureDlg::SetProgressRange(int low, int high) { progress_->SetJobRange(low, high); }

void CQuickMeasureDlg::SetProgressPos(int position) { progress_->SetJobPos(position); }

void CQuickMeasureDlg::SetProgressBusy(bool busy) {
    // Closing: the bar stays busy until the dialog ends.
    progress_->SetBusy(busy || closing_);
}

void CQuickMeasureDlg::CurvesChanged(bool rescale) {
    if (rescale) graph_->AutoScale(true);
    graph_->update();
}

void CQuickMeasureDlg::GetCurves(CGraphCtrl&, models::CurveList& curves) {
    copies_.clear();
    for (const procedures::QuickMeasureCurves::Entry& e : controller_.Curves().Entries()) {
        if (!e.curve || e.curve->Count() < 2) continue;
        Copy& copy = copies_.emplace_back();
        copy.x = e.curve->Axis().Values();
        copy.values = e.curve->Values();
        copy.values.ToDecibel();
        models::CurveEntry entry;
        entry.penStyle = 0;
        entry.penWidth = 0;
        entry.colour = e.colour;
        entry.x = &copy.x;
        entry.y = &copy.values.A();
        curves.push_back(entry);
    }
}

bool CQuickMeasureDlg::GetScaleHint(CGraphCtrl&, double&) { return false; }

void CQuickMeasureDlg::accept() { CloseDialog(QDialog::Accepted); }

void CQuickMeasureDlg::reject() { CloseDialog(QDialog::Accepted); }

void CQuickMeasureDlg::CloseDialog(int result) {
    // A second Close, Escape or close box while the unit is let go changes
    // nothing: the dialog ends once the shut-down has.
    if (closing_) return;
    closing_ = true;
    close_->setEnabled(false);
    progress_->SetBusy(true);
    // The shut-down runs on the task worker: this thread keeps painting and
    // the log shows it while the unit is let go.
    if (controller_.BeginClose([this, result] { done(result); })) done(result);
}

}  // namespace halvane::app
