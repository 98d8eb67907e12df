#pragma once

#include "halvane/app/CRowView.h"
#include "halvane/app/models/ColorLegendModel.h"

#include <QFont>

namespace halvane::document {
struct DocumentData;
}

namespace halvane::app {


// The right view of the main frame: which colour stands for which kind of
// curve ("Speaker:", then Measured, Target and Calculated, each with a line
// in the document's colour). Rows 1 to 3 can be selected with the mouse and
// the Up and Down keys.
class CColorLegend final : public CRowView {
    Q_OBJECT

public:
    explicit CColorLegend(QWidget* parent = nullptr);

    // The document whose colours are shown (null: the default colours).
    void SetDocument(const document::DocumentData* doc);
    const models::ColorLegendModel& Model() const { return model_; }

    // --- CRowView --------------------------------------------------------------
    // 103 average character widths by one text height of the legend's font.
    void MeasureRow(int& width, int& height) override;
    int GetSelectedRow() const override { return model_.Selected(); }
    int GetRowCount() const override { return models::ColorLegendModel::kRowCount; }
    void DrawRow(QPainter& painter, int row, int y, bool selected) override;
    void StepSelection(bool next) override;
    void SelectRow(int row) override;

private:
    const document::DocumentData* doc_ = nullptr;
    QFont font_;
    models::ColorLegendModel model_;
};

}  // namespace halvane::app
