#include "pellivar/ui/CCurveGeneratorDlg.h"

#include "pellivar/ui/CCubicSplineGraph.h"
#include "pellivar/ui/CSliderPIntStepDiv.h"
#include "platform/qt/TitleFit.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace pellivar::ui {

CCurveGeneratorDlg::CCurveGeneratorDlg(QWidget* parent)
    : QDialog(parent), linearActive_(new QCheckBox("Active", this)), concavityActive_(new QCheckBox("Active", this)),
      inflectionActive_(new QCheckBox("Active", this)), min_(new CSliderPIntStepDiv("Min", 1, this)),
      max_(new CSliderPIntStepDiv("Max", 1, this)), concavity_(new CSliderPIntStepDiv("Weight", 1, this)),
      inflection_(new CSliderPIntStepDiv("Weight", 1, this)), position_(new CSliderPIntStepDiv("Position", 1, this)),
      graph_(new CCubicSplineGraph(this)) {
    setWindowTitle("Curve Generator");
    platform::qt::FitTitle(*this);
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout();
    layout->addLayout(left);

    auto group = [&](const char* title, QCheckBox* active, std::initializer_list<QWidget*> controls) {
        auto* g = new QGroupBox(title, this);
        auto* gl = new QVBoxLayout(g);
        active->setChecked(true);
        gl->addWidget(active);
        for (QWidget* c : controls) gl->addWidget(c);
        left->addWidget(g);
        connect(active, &QCheckBox::toggled, this, &CCurveGeneratorDlg::Recompute);
    };
    group("Linear Shift", linearActive_, {min_, max_});
    group("Concavity", concavityActive_, {concavity_});
    group("Inflection", inflectionActive_, {inflection_, position_});
    linearActive_->setObjectName("check1087");
    concavityActive_->setObjectName("check1088");
    inflectionActive_->setObjectName("check1089");

    // No command: these controls send nothing.
    const CommandSpec none;
    min_->BindRaw(values_.minimum, 0, 100, nullptr, none);
    max_->BindRaw(values_.maximum, 0, 100, nullptr, none);
    concavity_->BindRaw(values_.concavity, -100, 100, nullptr, none);
    inflection_->BindRaw(values_.inflection, -100, 100, nullptr, none);
    position_->BindRaw(values_.position, 40, 60, nullptr, none);
    for (CSliderPIntStepDiv* c : {min_, max_, concavity_, inflection_, position_})
        connect(c, &CSliderPInt::valueChanged, this, &CCurveGeneratorDlg::Recompute);

    auto* right = new QVBoxLayout();
    layout->addLayout(right, 1);
    graph_->setObjectName("preview1092");
    graph_->setMinimumSize(300, 260);
    right->addWidget(graph_, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    right->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    graph_->SetPointList({{&preview_, QColor(64, 64, 64)}}, 0, 0, CGammaPoint::kFullScale, 0, CGammaPoint::kFullScale);
    graph_->SetTitle("Preview");
    Recompute();
}

CCurveGeneratorDlg::~CCurveGeneratorDlg() = default;

CurveGeneratorParams CCurveGeneratorDlg::Params() const {
    CurveGeneratorParams p = values_;
    p.linearActive = linearActive_->isChecked();
    p.concavityActive = concavityActive_->isChecked();
    p.inflectionActive = inflectionActive_->isChecked();
    return p;
}

void CCurveGeneratorDlg::Recompute() {
    preview_.SetPoints(GenerateCurve(Params()));
    graph_->update();
}

}  // namespace pellivar::ui
