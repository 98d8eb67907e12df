#include "pellivar/SourcePageModel.h"

#include "pellivar/ValueEntry.h"

#include <climits>
#include <cstdlib>
#include <set>

namespace pellivar {

namespace {

using K = SourceControlSpec::Kind;
using S = VideoSetting;

SourceControlSpec slider(int id, const char* caption, const char* group, S s, int lo, int hi) {
    return {K::Slider, id, caption, group, s, lo, hi, 1, "", ""};
}
SourceControlSpec choice(int id, const char* caption, const char* group, S s, const char* values,
                         const char* labels) {
    return {K::Choice, id, caption, group, s, 0, 0, 1, values, labels};
}

const SourcePageSpec kScaling{
    "Scaling",
    {
        choice(1035, "Scale Output Selection", "", S::ScaleOutSelection, "0;1;2;3;4;",
               "Panoramic Stretch;Anamorphic Stretch;Letter/Pillar Box;Zoom;Bypass;"),
        slider(1036, "Size", "Zoom", S::ScaleZoomSize, 1, 100),
        slider(1037, "Horizontal Position", "Zoom", S::ScaleZoomHorzPos, 0, 100),
        slider(1038, "Vertical Position", "Zoom", S::ScaleZoomVertPos, 0, 100),
        slider(1029, "Horizontal Size", "Bypass", S::ScaleBypassHorzSize, 1, 100),
        slider(1031, "Vertical Size", "Bypass", S::ScaleBypassVertSize, 1, 100),
        slider(1032, "Horizontal Position", "Bypass", S::ScaleBypassHorzPos, 0, 100),
        slider(1033, "Vertical Position", "Bypass", S::ScaleBypassVertPos, 0, 100),
    }};

const SourcePageSpec kInput{
    "Input",
    {
        choice(1026, "Crop Input Selection", "", S::InputCropIn, "0;1;2;3;", "HDMI Auto Detect;16:9;4:3;Custom;"),
        slider(1027, "Horizontal Size", "Custom Crop", S::InputCustomHorzSize, 1, 1920),
        slider(1029, "Vertical Size", "Custom Crop", S::InputCustomVertSize, 1, 1080),
        slider(1028, "Horizontal Position", "Custom Crop", S::InputCustomHorzPos, 1, 1920),
        slider(1030, "Vertical Position", "Custom Crop", S::InputCustomVertPos, 1, 1080),
        choice(1031, "", "Edges", S::InputEdges, "0;1;", "Off;On;"),
        slider(1032, "", "Edges", S::InputEdgesValue, 0, 20),
        slider(1034, "Y/C Delay / H Offset", "", S::InputYCDelay, 0, 3),
    }};

const SourcePageSpec kPicture{
    "Picture",
    {
        choice(1007, "", "Color Space", S::PictureInColorSpace, "0;1;2;", "Auto Detect;HDTV;SDTV;"),
        choice(1008, "", "Color Space", S::PictureInColorSpaceRGB, "0;1;", "Studio RGB;Extended RGB;"),
        slider(1009, "Contrast", "Picture", S::PictureImageColorContrast, 0, 100),
        slider(1010, "Brightness", "Picture", S::PictureImageColorBrightness, 0, 100),
        slider(1011, "Saturation", "Picture", S::PictureImageColorSaturation, 0, 100),
        slider(1012, "Hue", "Picture", S::PictureImageColorHue, 0, 100),
        choice(1013, "Film Mode", "", S::PictureFilmMode, "0;1;", "Auto Detect;Off;"),
        choice(1014, "Chroma Bug Correction", "", S::PictureChromaBugCorrection, "0;1;", "Off;On;"),
        slider(1015, "Level", "Detail Enhancement", S::PictureDetaileEnhancementLevel, 0, 100),
        slider(1016, "Noise Threshold", "Detail Enhancement", S::PictureDetaileEnhancementNoiseThreshold, 0, 100),
        slider(1017, "Noise Reduction", "", S::PictureNoiseReductionLevel, 0, 100),
        slider(1018, "Motion Threshold", "", S::PictureMotionThreshold, 0, 15),
        slider(1024, "Chroma Level", "S-Video", S::PictureSVideoChromaLevel, 0, 255),
        slider(1025, "Luma Level", "S-Video", S::PictureSVideoLumaLevel, 0, 255),
        slider(1026, "Input Gain", "Video-ADC", S::PictureInputGain, 0, 100),
        slider(1028, "Input Offset", "Video-ADC", S::PictureInputOffset, 0, 100),
        slider(1027, "Sampling Phase", "Video-ADC", S::PictureSamplingPhase, 0, 31),
    }};

const SourcePageSpec kOutput{
    "Output",
    {
        choice(1098, "Frame Lock", "", S::FrameLock, "0;1;", "Auto;Off;"),
        choice(1056, "Curve Selection", "Gamma", S::GammaCurveSelection, "3;0;1;2;",
               "Gamma Disabled;Gamma Exponential;Gamma Custom1;Gamma Custom2;"),
        {K::StepSlider, 1059, "Exponent Seed (.25 - 4.00)", "Gamma", S::GammaCurveExponent, 25, 400, 100, "", ""},
    }};

}  // namespace

const SourcePageSpec& SourcePageSpecOf(SourcePage page) {
    switch (page) {
    case SourcePage::Scaling:
        return kScaling;
    case SourcePage::Input:
        return kInput;
    case SourcePage::Picture:
        return kPicture;
    case SourcePage::Output:
        break;
    }
    return kOutput;
}

namespace {

constexpr SourcePage kPages[] = {SourcePage::Scaling, SourcePage::Input, SourcePage::Picture, SourcePage::Output};

// The page and the control that show a setting (every setting has one).
std::pair<const SourcePageSpec*, const SourceControlSpec*> Find(VideoSetting setting) {
    for (const SourcePage p : kPages) {
        const SourcePageSpec& page = SourcePageSpecOf(p);
        for (const SourceControlSpec& c : page.controls)
            if (c.setting == setting) return {&page, &c};
    }
    return {nullptr, nullptr};
}

std::string Label(const SourcePageSpec& page, const SourceControlSpec& control) {
    const std::string group = control.group;
    const std::string caption = control.caption;
    if (!caption.empty()) return group.empty() || group == page.title ? caption : group + " " + caption;
    int captionless = 0;
    for (const SourceControlSpec& c : page.controls)
        if (group == c.group && *c.caption == '\0') ++captionless;
    if (captionless < 2) return group;
    std::string what;
    if (control.kind == SourceControlSpec::Kind::Choice) {
        for (const Choice& c : ParseChoices(control.values, control.labels)) what += (what.empty() ? "" : " / ") + c.label;
    } else {
        what = std::to_string(control.minimum) + " - " + std::to_string(control.maximum);
    }
    return group + " (" + what + ")";
}

}  // namespace

std::string SettingName(int source, VideoSetting setting) {
    const auto [page, control] = Find(setting);
    const std::string where = std::string(SourceNames::name(source)) + ", ";
    if (page == nullptr) return where + Info(setting).xmlKey;
    return where + page->title + ", " + Label(*page, *control);
}

std::string ShownValue(VideoSetting setting, const std::string& text) {
    const auto number = ValueEntry::ParseInteger(text);
    if (!number || *number < INT_MIN || *number > INT_MAX) return text;
    const int value = static_cast<int>(*number);
    const auto [page, control] = Find(setting);
    if (control != nullptr && control->kind == SourceControlSpec::Kind::Choice) {
        for (const Choice& c : ParseChoices(control->values, control->labels))
            if (c.value == value) return c.label;
    }
    if (control != nullptr && control->kind == SourceControlSpec::Kind::StepSlider)
        return ValueEntry::FormatDivided(value, control->divisor);
    return std::to_string(value);
}

std::vector<Choice> ParseChoices(const std::string& values, const std::string& labels, const std::string& exclusions) {
    std::set<int> excluded;
    for (std::size_t at = 0; at < exclusions.size();) {
        const std::size_t semi = exclusions.find(';', at);
        const std::string item = exclusions.substr(at, semi == std::string::npos ? std::string::npos : semi - at);
        if (!item.empty()) excluded.insert(std::atoi(item.c_str()));
        if (semi == std::string::npos) break;
        at = semi + 1;
    }
    std::vector<Choice> out;
    std::size_t v = 0, l = 0;
    for (int k = 0;; ++k) {
        const std::size_t vs = values.find(';', v);
        const std::size_t ls = labels.find(';', l);
        if (vs == std::string::npos || ls == std::string::npos) break;
        if (excluded.count(k) == 0)
            out.push_back({std::atoi(values.substr(v, vs - v).c_str()), labels.substr(l, ls - l)});
        v = vs + 1;
        l = ls + 1;
    }
    return out;
}

}  // namespace pellivar
