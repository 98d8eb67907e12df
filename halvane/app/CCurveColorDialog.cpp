#include "halvane/app/CCurveColorDialog.h"

#include "halvane/app/CStaticColorCtrl.h"
#include "halvane/app/QtColourPicker.h"
#include "halvane/document/DocumentData.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace halvane::app {

using CustomControls::CStaticColorCtrl;

CCurveColorDialog::CCurveColorDialog(document::DocumentData& doc, QWidget* parent, models::ColourPicker* picker)
    : QDialog(parent), doc_(doc), choice_(doc) {
    setObjectName(QStringLiteral("idd_105"));
    setWindowTitle(tr("Curve colors"));
    setModal(true);
    if (picker == nullptr) {
        ownPicker_ = std::make_unique<QtColourPicker>(this);
        picker = ownPicker_.get();
    }
    picker_ = picker;

    const QString labels[models::CurveColourChoice::kCount] = {tr("Measured:"), tr("Targets:"), tr("Calculated:")};
    auto* grid = new QGridLayout;
    for (int kind = 0; kind < models::CurveColourChoice::kCount; ++kind) {
        const auto i = static_cast<std::size_t>(kind);
        auto* swatch = new CStaticColorCtrl(kSwatchIds[kind], this);
        swatch->setMinimumSize(48, 20);
        swatch->setColorRef(choice_.Colour(kind));
        auto* button = new QPushButton(tr("Change"), this);
        button->setObjectName(QStringLiteral("idc_%1").arg(kChangeIds[kind]));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, kind] { Change(kind); });
        grid->addWidget(new QLabel(labels[kind], this), kind, 0);
        grid->addWidget(swatch, kind, 1);
        grid->addWidget(button, kind, 2);
        swatches_[i] = swatch;
        buttons_[i] = button;
    }
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(box);
}

CCurveColorDialog::~CCurveColorDialog() = default;

CStaticColorCtrl* CCurveColorDialog::Swatch(int kind) const {
    return kind >= 0 && kind < models::CurveColourChoice::kCount ? swatches_[static_cast<std::size_t>(kind)] : nullptr;
}

QPushButton* CCurveColorDialog::ChangeButton(int kind) const {
    return kind >= 0 && kind < models::CurveColourChoice::kCount ? buttons_[static_cast<std::size_t>(kind)] : nullptr;
}

void CCurveColorDialog::Change(int kind) {
    if (choice_.Change(kind, *picker_)) swatches_[static_cast<std::size_t>(kind)]->setColorRef(choice_.Colour(kind));
}

void CCurveColorDialog::accept() {
    choice_.WriteTo(doc_);
    QDialog::accept();
}

}  // namespace halvane::app
