#pragma once

#include "pellivar/VideoSettingInfo.h"

#include <string>
#include <vector>

namespace pellivar {

// The four pages that serve the current source ("Scaling", "Input",
// "Picture", "Output"): which controls each holds, in what groups, bound to
// which setting with which range or choices. The pages build their controls
// from these tables and bind them to the source of the tree item each time
// they are shown.
struct SourceControlSpec {
    enum class Kind { Slider, StepSlider, Choice };
    Kind kind;
    int id;                 // the control's id on its page
    const char* caption;    // the control's own caption (may be empty)
    const char* group;      // the frame it sits in (may be empty)
    VideoSetting setting;
    int minimum = 0;        // sliders
    int maximum = 0;
    int divisor = 1;        // step sliders
    const char* values = "";  // choices: ";"-separated values...
    const char* labels = "";  // ...and their labels
};

struct SourcePageSpec {
    const char* title;
    std::vector<SourceControlSpec> controls;
};

enum class SourcePage { Scaling, Input, Picture, Output };

const SourcePageSpec& SourcePageSpecOf(SourcePage page);

// A setting as the pages name it to the user: the source, the page and the
// control's label ("CD, Scaling, Zoom Size"). The label is the control's
// frame and caption, the frame left out where the page bears its name; a
// control without a caption that shares its frame with another is told
// apart by its choices or its range ("Color Space (Studio RGB / Extended
// RGB)").
std::string SettingName(int source, VideoSetting setting);
// A value's text (as a reply carries it) as its control shows it: a choice
// by its label, a step slider's value divided ("1.50"), any other as the
// number. Text that is no number stays as it is.
std::string ShownValue(VideoSetting setting, const std::string& text);

// One entry of a choice list.
struct Choice {
    int value;
    std::string label;
};
// Splits the value and label lists at ";" in parallel; positions named in
// `exclusions` (a ";"-separated list of positions from 0) are left out.
// Stops when either list has no further ";".
std::vector<Choice> ParseChoices(const std::string& values, const std::string& labels,
                                 const std::string& exclusions = {});

}  // namespace pellivar
