#include "pellivar/ui/CAdvancedVideoView.h"

#include "pellivar/OutputTiming.h"
#include "pellivar/ReadBack.h"
#include "pellivar/ui/CCustomOutputRez.h"
#include "pellivar/ui/CGammaCurveView.h"
#include "pellivar/ui/CMainFrame.h"
#include "pellivar/ui/CPellivarApp.h"
#include "pellivar/ui/CTreeBar.h"
#include "pellivar/ui/MessageBoxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include <utility>
#include <vector>

namespace pellivar::ui {

CAdvancedVideoView::CAdvancedVideoView(CPellivarApp& app, CMainFrame& frame, QWidget* parent)
    : CPageView(app, parent), frame_(frame), resolution_(new QCheckBox("Custom Output Resolution", this)),
      gamma_(new QCheckBox("Custom Gamma Curves", this)), curves_(new QComboBox(this)) {
    setObjectName("Advanced Video Settings");
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel("<b>Advanced Video Settings</b>", this), 0, 0, 1, 3);
    auto* intro = new QLabel(kIntroText, this);
    intro->setWordWrap(true);
    layout->addWidget(intro, 1, 0, 1, 3);
    resolution_->setObjectName("check1073");
    gamma_->setObjectName("check1071");
    curves_->setObjectName("curves1072");
    curves_->addItems({"Both", "Custom #1", "Custom #2"});
    curves_->setCurrentIndex(0);
    layout->addWidget(resolution_, 2, 0);
    layout->addWidget(gamma_, 3, 0);
    layout->addWidget(curves_, 3, 1);
    auto* upload = new QPushButton("Upload", this);
    auto* retrieve = new QPushButton("Retrieve", this);
    upload->setObjectName("Upload");
    retrieve->setObjectName("Retrieve");
    layout->addWidget(upload, 4, 0);
    layout->addWidget(retrieve, 4, 1);
    layout->setRowStretch(5, 1);
    layout->setColumnStretch(2, 1);
    connect(upload, &QPushButton::clicked, this, &CAdvancedVideoView::OnUpload);
    connect(retrieve, &QPushButton::clicked, this, &CAdvancedVideoView::OnRetrieve);
}

void CAdvancedVideoView::Exchange(bool upload) {
    CTessikCommunicator& comm = app_.GetCommunicator();
    if (comm.QueryPower() == 0) {
        ShowErrorBox(CTreeBar::kNotPoweredText);
        return;
    }
    const bool doResolution = resolution_->isChecked();
    const bool doGamma = gamma_->isChecked();
    if (!doResolution && !doGamma) {
        ShowErrorBox(kNoneSelectedText);
        return;
    }
    CCustomOutputRez* resolutionPage = frame_.ResolutionView();
    CGammaCurveView* gammaPage = frame_.GammaView();
    const int selection = curves_->currentIndex();
    bool queued = false;
    CheckedSendOutcome outcome;
    const bool arrived = RunBatch(
        app_, &frame_, upload ? kUploadPause : kRetrievePause, QString(),
        [&] {
            const int expected = (doResolution ? 1 : 0) + (doGamma ? 1 : 0);
            int done = 0;
            // A part whose page cannot queue counts as failed.
            if (doResolution && resolutionPage != nullptr) {
                resolutionPage->OnInitialUpdate();
                done += upload ? resolutionPage->SendAll() : resolutionPage->QueryAll();
            }
            if (doGamma && gammaPage != nullptr) {
                gammaPage->OnInitialUpdate();
                done += upload ? gammaPage->SendCurves(selection) : gammaPage->RequestCurves(selection);
            }
            queued = done == expected;
            return queued;
        },
        outcome);
    if (!queued) {
        ShowErrorBox(upload ? kUploadFailedText : kRetrieveFailedText);
        return;
    }
    if (upload) CheckUpload(arrived, outcome, doResolution, doGamma, selection);
}

// What the upload sent is read back as "Retrieve" asks for it. The replies
// pass through the pages' own subscriptions, so the document's resolution is
// kept and put back, and the curves take no replies meanwhile.
void CAdvancedVideoView::CheckUpload(bool sent, CheckedSendOutcome outcome, bool doResolution, bool doGamma,
                                     int selection) {
    CPellivarDoc& doc = app_.GetCurrentDoc();
    CustomOutputResolutionSettings& res = doc.GetOutputResolution();
    ReadBack check(app_.Link());
    std::vector<std::pair<SubscribedInt*, int>> kept;
    const int pixelRate = res.PixelRate();
    if (doResolution) {
        for (int f = 0; f < CustomOutputResolutionSettings::kFieldCount; ++f) {
            SubscribedInt& v = res.Value(static_cast<CustomOutputResolutionSettings::Field>(f));
            check.AddValue(CCustomOutputRez::Name(static_cast<CustomOutputResolutionSettings::Field>(f)), v);
            kept.emplace_back(&v, v.Value());
        }
        const std::string rate = CCustomOutputRez::PixelRateName();
        check.AddSet(rate + " (high half)", OutputTiming::HighHalfCommand(pixelRate), OutputTiming::kHighQuery);
        check.AddSet(rate + " (low half)", OutputTiming::LowHalfCommand(pixelRate), OutputTiming::kLowQuery);
    }
    if (doGamma) {
        const int first = selection == 2 ? 1 : 0;
        const int last = selection == 1 ? 0 : 3;
        for (int c = first; c <= last; ++c)
            check.AddCurve(c, doc.GetGammaLists()[static_cast<std::size_t>(c)], CGammaCurveView::CurveName(c),
                           GammaCurveExchange::kSlots);
    }
    GammaCurveExchange* exchange = frame_.GammaView() != nullptr ? &frame_.GammaView()->Exchange() : nullptr;
    if (exchange != nullptr) exchange->Unsubscribe();
    if (sent) outcome = CheckWhatWasSent(app_, &frame_, check, kRetrievePause, kUploadPause);
    else outcome.report = check.Report();
    if (exchange != nullptr) exchange->Subscribe();
    for (const auto& [value, was] : kept) value->SetValue(was);
    res.SetPixelRate(pixelRate);
    if (CCustomOutputRez* page = frame_.ResolutionView()) page->OnInitialUpdate();
    ShowCheckedSendOutcome(outcome, "Advanced Upload");
}

}  // namespace pellivar::ui
