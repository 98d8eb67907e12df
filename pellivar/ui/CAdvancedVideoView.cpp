#include "pellivar/ui/CAdvancedVideoView.h"

#include "pellivar/ui/CCustomOutputRez.h"
#include "pellivar/ui/CGammaCurveView.h"
#include "pellivar/ui/CMainFrame.h"
#include "pellivar/ui/CPellivarApp.h"
#include "pellivar/ui/CTreeBar.h"
#include "pellivar/ui/CWaitTimeDlg.h"
#include "pellivar/ui/MessageBoxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace pellivar {

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
    comm.LockSection();
    comm.SetSendPauseFactor(upload ? kUploadPause : kRetrievePause);
    bool ok = false;
    {
        CWaitTimeDlg dialog(app_, &frame_);
        dialog.AdoptSectionLock();
        const int expected = (doResolution ? 1 : 0) + (doGamma ? 1 : 0);
        int done = 0;
        if (doResolution) {
            // A part whose page cannot queue counts as failed.
            if (CCustomOutputRez* page = frame_.ResolutionView()) {
                page->OnInitialUpdate();
                done += upload ? page->SendAll() : page->QueryAll();
            }
        }
        if (doGamma) {
            if (CGammaCurveView* page = frame_.GammaView()) {
                page->OnInitialUpdate();
                const int selection = curves_->currentIndex();
                done += upload ? page->SendCurves(selection) : page->RequestCurves(selection);
            }
        }
        ok = done == expected;
        if (ok) {
            dialog.QueueEndMarker();
            dialog.exec();
        } else {
            // Nothing of a half-queued exchange goes out; the dialog's end
            // releases the section.
            comm.ClearQueue();
        }
    }
    comm.SetSendPauseFactor(0);
    if (!ok) ShowErrorBox(upload ? kUploadFailedText : kRetrieveFailedText);
}

}  // namespace pellivar
