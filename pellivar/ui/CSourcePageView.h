#pragma once

#include "pellivar/SourcePageModel.h"
#include "pellivar/ui/CPageView.h"

#include <vector>

namespace pellivar::ui {

class CSliderPInt;
class CStringSlider;

// "Scaling", "Input", "Picture" and "Output": one view of each serves every
// source. The controls come from the page's table; each showing binds them
// to the values of the source of the tree item.
class CSourcePageView final : public CPageView {
    Q_OBJECT
public:
    CSourcePageView(CPellivarApp& app, SourcePage page, QWidget* parent = nullptr);

    void OnInitialUpdate() override;

    SourcePage Page() const { return page_; }
    // The control with this id on the page (null when none).
    CSliderPInt* SliderById(int id) const;
    CStringSlider* ChoiceById(int id) const;

private:
    struct Control {
        const SourceControlSpec* spec;
        CSliderPInt* slider = nullptr;
        CStringSlider* choice = nullptr;
    };

    // A control sent its value: the document is modified and the value is
    // read back once its edits settle.
    void Edited(const SourceControlSpec& spec);

    SourcePage page_;
    int boundSource_ = 0;  // the source the controls show
    std::vector<Control> controls_;
};

}  // namespace pellivar::ui
