#include "pellivar/ui/CSourcePageView.h"

#include "pellivar/ui/CPellivarApp.h"
#include "pellivar/ui/CSliderPInt.h"
#include "pellivar/ui/CSliderPIntStepDiv.h"
#include "pellivar/ui/CStringSlider.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QScrollArea>
#include <QVBoxLayout>

namespace pellivar::ui {

CSourcePageView::CSourcePageView(CPellivarApp& app, SourcePage page, QWidget* parent)
    : CPageView(app, parent), page_(page) {
    const SourcePageSpec& spec = SourcePageSpecOf(page);
    setObjectName(spec.title);
    // The tallest pages scroll on small screens.
    auto* pageLayout = new QVBoxLayout(this);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    pageLayout->addWidget(scroll);
    auto* content = new QWidget(scroll);
    scroll->setWidget(content);
    auto* outer = new QVBoxLayout(content);
    auto* heading = new QLabel(QString("<b>%1</b>").arg(spec.title), content);
    heading->setObjectName("heading");
    outer->addWidget(heading);
    auto* grid = new QGridLayout();
    outer->addLayout(grid);
    outer->addStretch(1);

    // Controls of one frame sit together; frames and free controls flow in
    // two columns.
    QMap<QString, QGroupBox*> groups;
    int cell = 0;
    for (const SourceControlSpec& c : spec.controls) {
        QWidget* host = content;
        QGroupBox* group = nullptr;
        if (*c.group != '\0') {
            group = groups.value(c.group);
            if (group == nullptr) {
                group = new QGroupBox(c.group, content);
                new QVBoxLayout(group);
                groups.insert(c.group, group);
                grid->addWidget(group, cell / 2, cell % 2, Qt::AlignTop);
                ++cell;
            }
            host = group;
        }
        Control control{&c};
        QWidget* widget = nullptr;
        if (c.kind == SourceControlSpec::Kind::Choice) {
            control.choice = new CStringSlider(c.caption, host);
            widget = control.choice;
            connect(control.choice, &CStringSlider::valueChanged, this, [this, &c] { Edited(c); });
        } else {
            control.slider = c.kind == SourceControlSpec::Kind::StepSlider
                                 ? new CSliderPIntStepDiv(c.caption, c.divisor, host)
                                 : new CSliderPInt(c.caption, host);
            widget = control.slider;
            connect(control.slider, &CSliderPInt::valueChanged, this, [this, &c] { Edited(c); });
        }
        widget->setObjectName(QString("control%1").arg(c.id));
        widget->setMinimumWidth(220);
        if (group != nullptr) {
            group->layout()->addWidget(widget);
        } else {
            grid->addWidget(widget, cell / 2, cell % 2, Qt::AlignTop);
            ++cell;
        }
        controls_.push_back(control);
    }
}

void CSourcePageView::OnInitialUpdate() {
    const int source = source_ >= 0 ? source_ : app_.GetCurrentDoc().CurrentSource();
    boundSource_ = source;
    CLiveVideoSettings& settings = app_.GetCurrentDoc().GetSourceSettings(source);
    for (Control& c : controls_) {
        SubscribedInt& value = settings.Value(c.spec->setting);
        if (c.choice != nullptr) {
            c.choice->Bind(value, c.spec->values, c.spec->labels);
        } else if (auto* step = dynamic_cast<CSliderPIntStepDiv*>(c.slider)) {
            step->Bind(value, c.spec->minimum, c.spec->maximum, c.spec->divisor);
        } else {
            c.slider->Bind(value, c.spec->minimum, c.spec->maximum);
        }
    }
}

void CSourcePageView::Edited(const SourceControlSpec& spec) {
    CPellivarDoc& doc = app_.GetCurrentDoc();
    doc.SetModifiedFlag();
    const VideoSetting setting = spec.setting;
    const ReadBack::Shown shown = [setting](const std::string& text) { return ShownValue(setting, text); };
    std::vector<SettledEdits::Neighbour> others;
    for (int s = 0; s < CPellivarDoc::kSources; ++s)
        if (s != boundSource_)
            others.push_back({&doc.GetSourceSettings(s).Value(setting), [s, setting] { return SettingName(s, setting); },
                              shown});
    app_.Edits().ValueSent(doc.GetSourceSettings(boundSource_).Value(setting), SettingName(boundSource_, setting), shown,
                           others);
}

CSliderPInt* CSourcePageView::SliderById(int id) const {
    for (const Control& c : controls_)
        if (c.spec->id == id) return c.slider;
    return nullptr;
}

CStringSlider* CSourcePageView::ChoiceById(int id) const {
    for (const Control& c : controls_)
        if (c.spec->id == id) return c.choice;
    return nullptr;
}

}  // namespace pellivar::ui
