#pragma once

#include "halvane/app/models/CurveColourChoice.h"

#include <QDialog>

#include <array>
#include <memory>

class QPushButton;

namespace CustomControls {
class CStaticColorCtrl;
}

namespace halvane {

class ColourPicker;
struct DocumentData;

// Dialog 105, "Curve colors": the measured, target and calculated colours
// of the document, each in a swatch (1064, 1065, 1066) with its "Change"
// button (1067, 1068, 1069). OK writes the three colours into the
// document (the caller then refreshes the views); Cancel leaves it alone.
class CCurveColorDialog final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kSwatchIds[CurveColourChoice::kCount] = {1064, 1065, 1066};
    static constexpr int kChangeIds[CurveColourChoice::kCount] = {1067, 1068, 1069};

    // `picker` null: the platform's colour dialog over this one.
    CCurveColorDialog(DocumentData& doc, QWidget* parent = nullptr, ColourPicker* picker = nullptr);
    ~CCurveColorDialog() override;

    CustomControls::CStaticColorCtrl* Swatch(int kind) const;
    QPushButton* ChangeButton(int kind) const;
    const CurveColourChoice& Choice() const { return choice_; }

    void accept() override;

private:
    void Change(int kind);

    DocumentData& doc_;
    CurveColourChoice choice_;
    std::unique_ptr<ColourPicker> ownPicker_;
    ColourPicker* picker_;
    std::array<CustomControls::CStaticColorCtrl*, CurveColourChoice::kCount> swatches_{};
    std::array<QPushButton*, CurveColourChoice::kCount> buttons_{};
};

}  // namespace halvane
