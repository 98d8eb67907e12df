#pragma once

#include <string>

#include "platform/WindowHandle.h"

namespace platform {
class UserPrompt;
}

namespace halvane::document {
class AppState;
}
namespace halvane::document {
class CHalvaneDoc;
}
namespace halvane::document {
class ProcedureService;
}

namespace halvane::app::models {


// What the command flow needs of the main window: the panes, the file
// dialog and the colour dialog. The Qt frame implements it; tests fake it.
class MainFrameHost {
public:
    virtual ~MainFrameHost() = default;
    virtual void AutoScaleAll() = 0;
    // Repaints the frame.
    virtual void Repaint() = 0;
    // Asks where to save a document that has no path; empty when cancelled.
    virtual std::string AskSavePath() = 0;
    // The curve colour dialog, modal; true on OK.
    virtual bool RunColourDialog() = 0;
    // The main window: owner of the commands' questions (null: none).
    virtual platform::WindowHandle Window() { return {}; }
    // A line in the status bar's message pane.
    virtual void ShowStatus(const std::string& text) { (void)text; }
    // The document was stored at `path` (by any command, the wizard's
    // saves included): the window's title and recent files follow.
    virtual void DocumentStored(const std::string& path) { (void)path; }
};

// The main frame's commands, without windows: the procedures on the
// document, their messages and the saves in between.
class MainFrameCommands {
public:
    static constexpr const char* kRecalculateAfterTargets =
        "The targets have changed: press Calculate to design the filters again.";

    MainFrameCommands(document::CHalvaneDoc& doc, document::AppState& app, document::ProcedureService& procedures, platform::UserPrompt& prompt,
                      MainFrameHost& host);

    void OnMeasure();
    void OnTargets();
    // True when the calculation completed.
    bool OnCalculate();
    void OnUpload();
    void OnErase();
    void OnColors();
    void OnAutoScale();
    void OnQuickMeasure();

    // The View switches (each repaints and refreshes).
    void ToggleShowTargets();
    void ToggleTargetsOnTop();
    void ToggleShowMeasured();
    void ToggleShowCalculated();
    void SelectMovie();
    void SelectMusic();

    // Update state of the four display switches: enabled while the Movie
    // set of the kind holds a curve (slot 4 for the targets, 0 measured,
    // 2 calculated).
    bool CanShowTargets() const;
    bool CanShowMeasured() const;
    bool CanShowCalculated() const;

    // Saves to the document's path, or asks for one; false when cancelled
    // or failed (the document then stays modified).
    bool SaveDocument();

private:
    bool SlotHasCurves(int slot) const;
    void Refresh();
    int Ask(const std::string& text, unsigned flags);

    document::CHalvaneDoc& doc_;
    document::AppState& app_;
    document::ProcedureService& procedures_;
    platform::UserPrompt& prompt_;
    MainFrameHost& host_;
};

}  // namespace halvane::app::models
