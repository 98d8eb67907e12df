#pragma once

#include "halvane/app/models/CurveColourChoice.h"

#include <QDialog>

#include <array>
#include <memory>

class QPushButton;

namespace halvane::app::CustomControls {
class CStaticColorCtrl;
}

namespace halvane::app::models {
class ColourPicker;
}
namespace halvane::document {
struct DocumentData;
}

namespace halvane::app {


// Dialog 105, "Curve colors": the measured, target and calculated colours
// of the document, each in a swatch (1064, 1065, 1066) with its "Change"
// button (1067, 1068, 1069). OK writes the three colours into the
// document (the caller then refreshes the views); Cancel leaves it alone.
class CCurveColorDialog final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kSwatchIds[models::CurveColourChoice::kCount] = {1064, 1065, 1066};
    static constexpr int kChangeIds[models::CurveColourChoice::kCount] = {1067, 1068, 1069};

    // `picker` null: the platform's colour dialog over this one.
    CCurveColorDialog(document::DocumentData& doc, QWidget* parent = nullptr, models::ColourPicker* picker = nullptr);
    ~CCurveColorDialog() override;

    CustomControls::CStaticColorCtrl* Swatch(int kind) const;
    QPushButton* ChangeButton(int kind) const;
    const models::CurveColourChoice& Choice() const { return choice_; }

    void accept() override;

private:
    void Change(int kind);

    document::DocumentData& doc_;
    models::CurveColourChoice choice_;
    std::unique_ptr<models::ColourPicker> ownPicker_;
    models::ColourPicker* picker_;
    std::array<CustomControls::CStaticColorCtrl*, models::CurveColourChoice::kCount> swatches_{};
    std::array<QPushButton*, models::CurveColourChoice::kCount> buttons_{};
};

}  // namespace halvane::app
