#pragma once

#include "pellivar/StandardOutputFormat.h"

#include <QDialog>

class QComboBox;

namespace pellivar::ui {

// "Load Standard Output Format": one of the 40 standard timings.
class CLoadStdOutputFormatDlg final : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kInvalidSelectionText = "Invalid Selection";

    explicit CLoadStdOutputFormatDlg(QWidget* parent = nullptr);

    // The chosen row (the first when none was stored).
    const StandardOutputFormat& GetFormat() const { return kStandardOutputFormats[static_cast<std::size_t>(chosen_)]; }
    QComboBox* Combo() const { return combo_; }
    void OnOk();

private:
    QComboBox* combo_;
    int chosen_ = 0;
};

}  // namespace pellivar::ui
