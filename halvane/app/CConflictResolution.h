#pragma once

#include "halvane/app/models/RepeatMeasurementsPrompt.h"

#include <QDialog>

class QPlainTextEdit;

namespace halvane::app {

class CCheckList;

// Dialog 107: a caption, an explanatory text (read-only edit 1072) and the
// check list 1027 over the caller's items; the owner hears of every tick at
// once and reads the items' Checked values after OK.
class CConflictResolution final : public QDialog {
    Q_OBJECT

public:
    CConflictResolution(const models::RepeatMeasurementsRequest& request, QWidget* parent = nullptr);

    CCheckList* List() const { return list_; }
    QPlainTextEdit* Text() const { return text_; }

private:
    QPlainTextEdit* text_;
    CCheckList* list_;
};

// Makes PickMeasurementsToRepeat show CConflictResolution (at start-up, on
// the user-interface thread).
void InstallConflictResolutionDialog();

// The texts of the system use "\r\n" line breaks; a Qt text shows "\n".
QString DialogText(const std::string& text);

}  // namespace halvane::app
