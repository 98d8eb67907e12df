#pragma once

#include <array>
#include <cstddef>

namespace pellivar {

// The sources a processor keeps video settings for. Index = source number;
// entry 17 marks an invalid source.
struct SourceNames {
    static constexpr int kCount = 17;
    static constexpr int kInvalid = 17;
    static constexpr std::array<const char*, kCount + 1> kNames = {
        "CD",   "2-CH", "6-CH", "TAPE", "TUNER", "DVD1", "TV1", "SAT1",    "VCR",
        "AUX",  "DVD2", "DVD3", "DVD4", "TV2",   "TV3",  "TV4", "SAT2", "SL_ERROR"};
    static const char* name(int source) {
        return source >= 0 && source < kCount ? kNames[static_cast<std::size_t>(source)] : kNames[kInvalid];
    }
    static int find(const char* name);  // exact match, -1 when none
};

// One per-source video setting: its document key, command prefix, default
// and range. The keys are the stored files' own ("Detaile" included).
struct VideoSettingInfo {
    const char* xmlKey;
    const char* prefix;
    int def;
    int minimum;
    int maximum;
};

// The 36 settings of a source, in document order.
enum class VideoSetting : int {
    PictureInColorSpace,
    PictureInColorSpaceRGB,
    PictureImageColorContrast,
    PictureImageColorBrightness,
    PictureImageColorSaturation,
    PictureImageColorHue,
    PictureFilmMode,
    PictureDetaileEnhancementLevel,
    PictureDetaileEnhancementNoiseThreshold,
    PictureNoiseReductionLevel,
    PictureMotionThreshold,
    PictureChromaBugCorrection,
    PictureSVideoChromaLevel,
    PictureSVideoLumaLevel,
    PictureInputGain,
    PictureInputOffset,
    PictureSamplingPhase,
    InputCropIn,
    InputCustomHorzSize,
    InputCustomVertSize,
    InputCustomHorzPos,
    InputCustomVertPos,
    InputEdges,
    InputEdgesValue,
    InputYCDelay,
    ScaleOutSelection,
    ScaleZoomSize,
    ScaleZoomHorzPos,
    ScaleZoomVertPos,
    ScaleBypassHorzSize,
    ScaleBypassVertSize,
    ScaleBypassHorzPos,
    ScaleBypassVertPos,
    GammaCurveSelection,
    GammaCurveExponent,
    FrameLock,
};

constexpr int kVideoSettingCount = 36;

constexpr std::array<VideoSettingInfo, kVideoSettingCount> kVideoSettings = {{
    {"PictureInColorSpace", "fS", 0, 0, 2},
    {"PictureInColorSpaceRGB", "fR", 0, 0, 1},
    {"PictureImageColorContrast", "fc", 50, 0, 100},
    {"PictureImageColorBrightness", "fb", 50, 0, 100},
    {"PictureImageColorSaturation", "fs", 50, 0, 100},
    {"PictureImageColorHue", "fh", 50, 0, 100},
    {"PictureFilmMode", "fF", 0, 0, 1},
    {"PictureDetaileEnhancementLevel", "fd", 0, 0, 100},
    {"PictureDetaileEnhancementNoiseThreshold", "fD", 0, 0, 100},
    {"PictureNoiseReductionLevel", "fn", 0, 0, 100},
    {"PictureMotionThreshold", "fm", 4, 0, 15},
    {"PictureChromaBugCorrection", "fB", 0, 0, 1},
    {"PictureSVideoChromaLevel", "fC", 0, 0, 255},
    {"PictureSVideoLumaLevel", "fl", 0, 0, 255},
    {"PictureInputGain", "fV", 0, 0, 100},
    {"PictureInputOffset", "fT", 50, 0, 100},
    {"PictureSamplingPhase", "fP", 15, 0, 31},
    {"InputCropIn", "fW", 0, 0, 3},
    {"InputCustomHorzSize", "fo", 1920, 1, 1920},
    {"InputCustomVertSize", "fp", 1080, 1, 1080},
    {"InputCustomHorzPos", "fq", 960, 1, 1920},
    {"InputCustomVertPos", "fr", 540, 1, 1080},
    {"InputEdges", "fA", 0, 0, 1},
    {"InputEdgesValue", "fE", 6, 0, 20},
    {"InputYCDelay", "fO", 0, 0, 3},
    {"ScaleOutSelection", "fa", 1, 0, 4},
    {"ScaleZoomSize", "fe", 100, 1, 100},
    {"ScaleZoomHorzPos", "ff", 50, 0, 100},
    {"ScaleZoomVertPos", "fg", 50, 0, 100},
    {"ScaleBypassHorzSize", "ft", 100, 1, 100},
    {"ScaleBypassVertSize", "fu", 100, 1, 100},
    {"ScaleBypassHorzPos", "fv", 50, 0, 100},
    {"ScaleBypassVertPos", "fw", 50, 0, 100},
    {"GammaCurveSelection", "fG", 3, 0, 3},
    {"GammaCurveExponent", "fX", 100, 25, 400},
    {"FrameLock", "fi", 1, 0, 1},
}};

inline const VideoSettingInfo& Info(VideoSetting s) { return kVideoSettings[static_cast<std::size_t>(s)]; }

// The order in which a source's values are queried and set on the wire (its
// value list): document order, except that the sampling phase comes before
// the input offset.
constexpr std::array<int, kVideoSettingCount> kVideoSettingListOrder = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 16, 15, 17,
    18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35};

}  // namespace pellivar
