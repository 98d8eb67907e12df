#pragma once

#include "pellivar/SubscribedInt.h"
#include "pellivar/TiXmlContainer.h"
#include "pellivar/UnitLink.h"

#include <array>
#include <memory>

namespace pellivar {

// The custom output timing: eleven unranged "fU" values on fixed channels and
// the pixel rate, which stays in the document and is never sent as such
// (the page sends it as two 16-bit halves).
class CustomOutputResolutionSettings final : public TiXmlContainer {
public:
    enum Field : int {
        TotalHSize,
        ActiveHSize,
        TotalVSize,
        ActiveVSize,
        HSyncStart,
        HSyncEnd,
        VSyncStart,
        VSyncEnd,
        ActiveF1Size,
        BlankF1Size,
        OffsetF1F2,
    };
    static constexpr int kFieldCount = 11;
    static constexpr const char* kPrefix = "fU";
    static constexpr int kDefaultPixelRate = 5000000;
    // The channel that carries each field ("fU" + channel character); the
    // pixel-rate halves use 'd' (low 16 bits) and 'e' (high 16 bits).
    static constexpr std::array<int, kFieldCount> kChannels = {0, 2, 1, 3, 4, 5, 6, 7, 8, 9, 99};
    static constexpr std::array<int, kFieldCount> kDefaults = {5, 1, 5, 1, 1, 2, 1, 2, 1, 4, 0};
    static constexpr std::array<const char*, kFieldCount> kKeys = {
        "ResolutionTotalHSize",  "ResolutionActiveHSize", "ResolutionTotalVSize",   "ResolutionActiveVSize",
        "ResolutionHSyncStart",  "ResolutionHSyncEnd",    "ResolutionVSyncStart",   "ResolutionVSyncEnd",
        "ResolutionActiveF1Size", "ResolutionBlankF1Size", "ResolutionOffsetF1F2"};
    static constexpr const char* kPixelRateKey = "ResolutionPixelRate";
    static constexpr int kPixelLowChannel = 100;   // 'd'
    static constexpr int kPixelHighChannel = 101;  // 'e'

    explicit CustomOutputResolutionSettings(UnitLink* link = nullptr);

    bool ReadAttributes(const tinyxml2::XMLElement&) override { return true; }
    void WriteAttributes(tinyxml2::XMLElement&) const override {}

    SubscribedInt& Value(Field f) { return *values_[static_cast<std::size_t>(f)]; }
    const SubscribedInt& Value(Field f) const { return *values_[static_cast<std::size_t>(f)]; }
    int PixelRate() const { return pixelRate_; }
    void SetPixelRate(int rate) { pixelRate_ = rate; }
    int* PixelRatePtr() { return &pixelRate_; }

    // A row of a standard output format: int k is column k (column 0 is the
    // row's own, unused here). Values are set directly, without notification.
    void LoadFormat(const std::array<int, 13>& row);

    // Subscribes every value's replies (they are on fixed channels).
    void SubscribeReplies();
    void SetLink(UnitLink* link);

private:
    std::array<std::unique_ptr<SubscribedInt>, kFieldCount> values_;
    int pixelRate_ = kDefaultPixelRate;
};

}  // namespace pellivar
