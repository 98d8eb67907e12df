#pragma once

#include "pellivar/ui/CPageView.h"
#include "pellivar/ui/CheckedSend.h"

class QCheckBox;
class QComboBox;

namespace pellivar::ui {

class CMainFrame;

// "Advanced Video Settings": the custom output resolution and the custom
// gamma curves are not sent on the fly; this page uploads or retrieves the
// parts chosen, slowly (5 or 20 pause units per command), and waits for the
// end marker. An upload is then read back, and what the unit did not take is
// sent again or named.
class CAdvancedVideoView final : public CPageView {
    Q_OBJECT
public:
    static constexpr const char* kIntroText =
        "The advanced video settings are not uploaded on the fly. You must select which settings to "
        "upload/retrieve.";
    static constexpr const char* kNoneSelectedText = "Can't upload/retrieve settings if none are selected";
    static constexpr const char* kUploadFailedText = "Advanced video settings upload failed";
    static constexpr const char* kRetrieveFailedText = "Advanced video settings retrieval failed";
    static constexpr int kUploadPause = 5;
    static constexpr int kRetrievePause = 20;

    CAdvancedVideoView(CPellivarApp& app, CMainFrame& frame, QWidget* parent = nullptr);

    void OnUpload() { Exchange(true); }
    void OnRetrieve() { Exchange(false); }

    QCheckBox* ResolutionCheck() const { return resolution_; }
    QCheckBox* GammaCheck() const { return gamma_; }
    QComboBox* CurveList() const { return curves_; }

private:
    void Exchange(bool upload);
    // Reads back what an upload sent (`sent`: its batch reached its end).
    void CheckUpload(bool sent, CheckedSendOutcome outcome, bool doResolution, bool doGamma, int selection);

    CMainFrame& frame_;
    QCheckBox* resolution_;
    QCheckBox* gamma_;
    QComboBox* curves_;
};

}  // namespace pellivar::ui
