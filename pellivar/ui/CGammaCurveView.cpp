#include "pellivar/ui/CGammaCurveView.h"

#include "pellivar/ui/CCubicSplineGraph.h"
#include "pellivar/ui/CCurveGeneratorDlg.h"
#include "pellivar/ui/CPellivarApp.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace pellivar::ui {

CGammaCurveView::CGammaCurveView(CPellivarApp& app, QWidget* parent)
    : CPageView(app, parent),
      exchange_(std::make_unique<GammaCurveExchange>(app.GetCurrentDoc().GetGammaLists(), &app.Link())),
      graph_(new CCubicSplineGraph(this)), position_(new QLabel(this)), single_(new QRadioButton("Custom Gamma 1", this)),
      split_(new QRadioButton("Custom Gamma 2", this)), colours_(new QComboBox(this)) {
    setObjectName("Custom Gamma Correction");
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel("<b>Custom Gamma Correction</b>", this), 0, 0, 1, 3);
    graph_->setObjectName("graph1104");
    layout->addWidget(graph_, 1, 0, 1, 3);
    layout->setRowStretch(1, 1);
    layout->setColumnStretch(2, 1);
    position_->setObjectName("text1105");
    layout->addWidget(position_, 2, 0, 1, 3);

    auto* side = new QVBoxLayout();
    single_->setObjectName("radio1106");
    split_->setObjectName("radio1107");
    single_->setChecked(true);
    side->addWidget(single_);
    side->addWidget(split_);
    colours_->setObjectName("colours1109");
    colours_->addItems({"Red", "Green", "Blue"});
    colours_->setVisible(false);
    side->addWidget(colours_);
    auto* generator = new QPushButton("Curve Generator", this);
    generator->setObjectName("Curve Generator");
    side->addWidget(generator);
    auto* zoom = new QHBoxLayout();
    zoom->addWidget(new QLabel("Zoom:", this));
    auto* plus = new QPushButton("+", this);
    auto* minus = new QPushButton("-", this);
    plus->setObjectName("+");
    minus->setObjectName("-");
    zoom->addWidget(plus);
    zoom->addWidget(minus);
    side->addLayout(zoom);
    // The help wraps in a narrow column, so the page fits a small screen
    // beside the tree.
    auto* help = new QLabel(kHelpText, this);
    help->setWordWrap(true);
    help->setMaximumWidth(kSideWidth);
    side->addWidget(help);
    side->addStretch(1);
    layout->addLayout(side, 1, 3);

    connect(single_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) SetSplitMode(false);
    });
    connect(split_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) SetSplitMode(true);
    });
    connect(colours_, &QComboBox::activated, this, [this] {
        app_.GetCurrentDoc().SetModifiedFlag();
        ShowCurves();
    });
    connect(generator, &QPushButton::clicked, this, &CGammaCurveView::OnCurveGenerator);
    connect(plus, &QPushButton::clicked, graph_, &CCubicSplineGraph::ZoomIn);
    connect(minus, &QPushButton::clicked, graph_, &CCubicSplineGraph::ZoomOut);
    connect(graph_, &CCubicSplineGraph::reportingPosition, position_, &QLabel::setText);
    connect(graph_, &CCubicSplineGraph::listChanged, this, [this] {
        app_.GetCurrentDoc().SetModifiedFlag();
        SendCurve();
    });
    connect(graph_, &CCubicSplineGraph::activePointChanged, this, [this](int index) {
        if (index < 0) return;
        app_.GetCurrentDoc().SetModifiedFlag();
        SendPoint(index);
    });
    exchange_->SetChangedHandler([this](int) { graph_->update(); });
    app_.Edits().SetCurveExchange(exchange_.get());
}

CGammaCurveView::~CGammaCurveView() {
    app_.Edits().SetCurveExchange(nullptr);
    exchange_->Unsubscribe();
}

void CGammaCurveView::OnInitialUpdate() {
    if (!initialised_) {
        initialised_ = true;
        exchange_->Subscribe();
    }
    ShowCurves();
}

std::string CGammaCurveView::CurveName(int curve) {
    static constexpr const char* kColours[] = {"Red", "Green", "Blue"};
    const std::string page = "Custom Gamma Correction, ";
    if (curve >= 1 && curve <= 3) return page + "Custom Gamma 2 " + kColours[curve - 1];
    return page + "Custom Gamma 1";
}

int CGammaCurveView::ActiveCurve() const { return split_->isChecked() ? colours_->currentIndex() + 1 : 0; }

void CGammaCurveView::SetSplitMode(bool split) {
    if (split != split_->isChecked()) (split ? split_ : single_)->setChecked(true);
    colours_->setVisible(split);
    app_.GetCurrentDoc().SetModifiedFlag();
    ShowCurves();
}

void CGammaCurveView::ShowCurves() {
    auto& curves = app_.GetCurrentDoc().GetGammaLists();
    const double full = CGammaPoint::kFullScale;
    if (split_->isChecked()) {
        graph_->SetPointList({{&curves[1], QColor(255, 0, 0)}, {&curves[2], QColor(0, 255, 0)}, {&curves[3], QColor(0, 0, 255)}},
                             colours_->currentIndex(), 0, full, 0, full);
        graph_->SetTitle("Split RGB Curves");
    } else {
        graph_->SetPointList({{&curves[0], QColor(64, 64, 64)}}, 0, 0, full, 0, full);
        graph_->SetTitle("Single Curve");
    }
}

bool CGammaCurveView::SendPoint(int index) {
    const int curve = ActiveCurve();
    CGammaList& list = app_.GetCurrentDoc().GetGammaLists()[static_cast<std::size_t>(curve)];
    const CGammaPoint* point = list.GetAt(index);
    if (point == nullptr) return false;
    if (!exchange_->SendPoint(curve, point, index) || !exchange_->SendPoint(curve, nullptr, list.GetCount()))
        return false;
    app_.Edits().PointSent(curve, index, list, CurveName(curve));
    return true;
}

bool CGammaCurveView::SendCurve() {
    const int curve = ActiveCurve();
    if (!exchange_->SendCurve(curve)) return false;
    const CGammaList& list = app_.GetCurrentDoc().GetGammaLists()[static_cast<std::size_t>(curve)];
    app_.Edits().CurveSent(curve, list, CurveName(curve));
    return true;
}

void CGammaCurveView::ApplyGeneratedCurve(const CGammaList& curve) {
    app_.GetCurrentDoc().GetGammaLists()[static_cast<std::size_t>(ActiveCurve())] = curve;
    app_.GetCurrentDoc().SetModifiedFlag();
    ShowCurves();
    SendCurve();
}

void CGammaCurveView::OnCurveGenerator() {
    CCurveGeneratorDlg dialog(this);
    if (dialog.exec() == QDialog::Accepted) ApplyGeneratedCurve(dialog.Curve());
}

}  // namespace pellivar::ui
