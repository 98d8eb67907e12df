#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "halvane/link/SerBase.h"

namespace halvane::design {
class TargetConfig;
}

namespace halvane::design {
struct Biquad;
}

namespace halvane::link::ConTypes {

// The receiver family: Vux 300, Vux 500, Vux 700 (models 6-8, class 4),
// with fixed-width setting words, each set and confirmed by a query, and
// coefficients sent as the bits of single-precision floats.
class VuxV1Base final : public SerBase {
public:
    // The channel digit of the "C" and "G" words for each channel number.
    static constexpr int kChannelCode[8] = {0, 2, 1, 4, 6, 5, 3, 7};
    // A verification's failure text is cut to this many characters.
    static constexpr std::size_t kVerifyTextLimit = 400;

    VuxV1Base(std::int32_t modelIndex, Comm::CBasicTessikPort& port) : SerBase(modelIndex, 4, port) {}

    void CheckFirmwareVersion() override;
    void PowerOn() override;
    void PrepareMeasurement(std::int32_t flag) override;
    void EndMeasurement() override;
    void StartTestTone(std::int32_t channel, std::int32_t second) override;
    void StopTestTone(std::int32_t channel, std::int32_t second) override;
    void BeginSpeakerUpload() override;
    void EndSpeakerUpload(std::int32_t flag) override;
    void PrepareUpload() override;
    void EndUpload(std::int32_t flag) override;
    void UploadSpeakerConfig(link::UploadSource* document) override;
    void UploadSpeakerLevels(link::UploadSource* document) override;
    void UploadCoefficients(bool erase, link::UploadSource* document) override;
    bool VerifyCoefficients(link::UploadSource* document, std::int32_t second) override;
    void UploadGains(bool erase, link::UploadSource* document) override;
    bool SetupForMeasurement(std::string& failureText) override;

    void SendReceiverSpeakerSetup(const design::TargetConfig& targets);
    void SendReceiverLevels(const design::TargetConfig& targets);
    void SetValidCoefficientsState(std::int32_t state);

    // The float bits of coefficient digit i (0-3) of a stage, and of a
    // channel's gain from its gain word (24-bit, sign-extended) and the
    // product of its stages' b0.
    static std::uint32_t CoefficientBits(const design::Biquad& stage, int digit);
    static std::uint32_t GainBits(std::int32_t gainWord, double b0Product);
    static std::int32_t SignExtendGain(std::int32_t word) { return ((word & 0xFFFFFF) ^ 0x800000) - 0x800000; }
};

}  // namespace halvane::link::ConTypes
