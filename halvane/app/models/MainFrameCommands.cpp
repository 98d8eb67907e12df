#include "halvane/app/models/MainFrameCommands.h"

#include "halvane/design/ChannelLevels.h"
#include "halvane/document/AppState.h"
#include "halvane/document/CHalvaneDoc.h"
#include "halvane/document/ProcedureService.h"
#include "halvane/link/UnitCrossoverChoices.h"
#include "halvane/signal/CCurveSet.h"
#include "platform/UserPrompt.h"

namespace halvane::app::models {

using namespace platform;

MainFrameCommands::MainFrameCommands(document::CHalvaneDoc& doc, document::AppState& app, document::ProcedureService& procedures,
                                     UserPrompt& prompt, MainFrameHost& host)
    : doc_(doc), app_(app), procedures_(procedures), prompt_(prompt), host_(host) {}

int MainFrameCommands::Ask(const std::string& text, unsigned flags) {
    return prompt_.MessageBox(text, "", flags, host_.Window());
}

bool MainFrameCommands::SlotHasCurves(int slot) const {
    const signal::CCurveSet* set = doc_.CurveSetSlot(slot);
    return set != nullptr && set->Count() > 0;
}

void MainFrameCommands::Refresh() {
    host_.Repaint();
    app_.RefreshMainFrameViews();
}

bool MainFrameCommands::SaveDocument() {
    std::string path = doc_.GetPathName();
    if (path.empty()) path = host_.AskSavePath();
    if (path.empty()) return false;
    if (!doc_.OnSaveDocument(path)) return false;
    host_.DocumentStored(path);
    return true;
}

void MainFrameCommands::OnMeasure() {
    if (Ask("Please close ALL other running applications before proceding.\nImproper measurements may result if other "
            "applications are runing in the background.",
            MB_OKCANCEL) != IDOK)
        return;
    if (SlotHasCurves(1) &&
        Ask("If you proceed further your previous measurements will be lost.\nWould you like to proceed?", MB_YESNO) !=
            IDYES)
        return;
    if (procedures_.RunMeasurementProcedure(doc_) != 1) return;
    // New measurements change the document even when the save below is
    // cancelled: keep the modified flag so that closing still asks.
    doc_.SetModifiedFlag();
    signal::CCurveSet* movie = doc_.CurveSetSlot(0);
    signal::CCurveSet* music = doc_.CurveSetSlot(1);
    if (movie != nullptr && music != nullptr) {
        if (const auto choices = link::UnitCrossoverChoices::For(doc_.m_nUnitKind))
            design::UpdateLevels(*choices, *movie, *music, doc_.m_TargetConfig);
    }
    // A failed step has been reported by its job: the new measurements stay
    // (modified, so closing asks), but nothing half-done is saved.
    if (procedures_.RunAutoDetectXOvers(doc_) == 1 && procedures_.RunRecalcTarg(doc_) == 1) SaveDocument();
    host_.AutoScaleAll();
    Refresh();
}

void MainFrameCommands::OnTargets() {
    if (procedures_.OpenTargetCustomization(doc_) == 1) {
        const bool hadCalculated = SlotHasCurves(2) || SlotHasCurves(3);
        doc_.SetModifiedFlag();
        const bool regenerated = procedures_.RunRecalcTarg(doc_) == 1;
        // New targets make the calculated curves meaningless, and the job
        // drops them: say so, or they would simply vanish from the graph.
        if (hadCalculated && !SlotHasCurves(2) && !SlotHasCurves(3))
            host_.ShowStatus(kRecalculateAfterTargets);
        // A failure has been reported by the job; nothing is saved after it.
        if (regenerated) SaveDocument();
    }
    host_.AutoScaleAll();
    Refresh();
}

bool MainFrameCommands::OnCalculate() {
    if (!SlotHasCurves(0)) {
        Ask("Need to measure first. Pleast click on 'Measure", MB_OK);
        return false;
    }
    if (procedures_.RunEqCalcProc(doc_) != 1) {
        Ask("Calculations not complete!", MB_OK);
        return false;
    }
    doc_.SetModifiedFlag();
    Ask("Calculations complete!", MB_OK);
    host_.AutoScaleAll();
    Refresh();
    SaveDocument();
    return true;
}

void MainFrameCommands::OnUpload() {
    if (!SlotHasCurves(2)) {
        Ask("Need to calculate first. Pleast click on 'Calculate", MB_OK);
        return;
    }
    const int result = procedures_.RunUploadProc(doc_);
    if (result == 1) {
        Ask("Room Correction complete!\nGo to the Source Setup menu to make sure it is turned on for each source, as "
            "desired.",
            MB_OK);
        app_.RefreshMainFrameViews();
    } else if (document::CHalvaneDoc::IsConversionCode(result)) {
        if (Ask(document::CHalvaneDoc::kConvertQuestion, MB_YESNO) != IDYES) return;
        doc_.SetUnitKind(result);  // kConvertNothing changes nothing
        OnCalculate();
        SaveDocument();
    } else {
        Ask("Error. Upload not complete!", MB_OK | MB_ICONERROR);
    }
}

void MainFrameCommands::OnErase() {
    if (procedures_.RunEraseProc(doc_) == 1) {
        Ask("Room Correction parameters have been erased!", MB_OK);
        app_.RefreshMainFrameViews();
    } else {
        Ask("Error. Room correction parameters have not been erased!", MB_OK | MB_ICONERROR);
    }
}

void MainFrameCommands::OnColors() {
    if (host_.RunColourDialog()) app_.RefreshMainFrameViews();
}

void MainFrameCommands::OnAutoScale() {
    host_.AutoScaleAll();
    host_.Repaint();
}

void MainFrameCommands::OnQuickMeasure() {
    if (Ask("Quick Measure will reset Bass Manager and Level Calibration settings to defaults.  If you wish to use "
            "current ones after running Quick Measure, save or record them now.  This is unnecessary if you will "
            "fully run Qex after Quick Measure.\nPress OK to continue.",
            MB_OKCANCEL) != IDOK)
        return;
    procedures_.RunQuickMeasure(doc_);
}

void MainFrameCommands::ToggleShowTargets() {
    app_.ShowTargets = app_.ShowTargets.load() != 0 ? 0 : 1;
    Refresh();
}
void MainFrameCommands::ToggleTargetsOnTop() {
    app_.TargetsOnTop = app_.TargetsOnTop.load() != 0 ? 0 : 1;
    Refresh();
}
void MainFrameCommands::ToggleShowMeasured() {
    app_.CurveDisplayFlags ^= document::AppState::ShowMeasured;
    Refresh();
}
void MainFrameCommands::ToggleShowCalculated() {
    app_.CurveDisplayFlags ^= document::AppState::ShowCalculated;
    Refresh();
}
void MainFrameCommands::SelectMovie() {
    app_.ConfigSelection = document::AppState::SelectMovie;
    doc_.m_nConfig = 0;
    Refresh();
}
void MainFrameCommands::SelectMusic() {
    app_.ConfigSelection = document::AppState::SelectMusic;
    doc_.m_nConfig = 1;
    Refresh();
}

bool MainFrameCommands::CanShowTargets() const { return SlotHasCurves(4); }
bool MainFrameCommands::CanShowMeasured() const { return SlotHasCurves(0); }
bool MainFrameCommands::CanShowCalculated() const { return SlotHasCurves(2); }

}  // namespace halvane::app::models
