#pragma once

#include "halvane/design/TargetConfig.h"
#include "halvane/link/Biquad.h"
#include "halvane/link/SerBase.h"

#include <cstdint>
#include <string>

namespace ConTypes {

// The flagship family's command set: processors whose correction filters
// are written word by word into DSP memory through a debug mode, every
// stage read back (models 0-5, unit classes 1 and 2).
class BztTolvarinePlatformV1Base : public SerBase {
public:
    // The DSP command words of one generation ("dq" for models 0-3, "dm"
    // for models 4-5).
    struct DspCommandPrefixes {
        const char* coefficientBaseQuery;
        const char* gainBaseQuery;
        const char* coefficientWrite;
        const char* gainWrite;
        const char* read;
    };
    static const DspCommandPrefixes& PrefixesOf(std::int32_t generation);

    // Where the slots of a filter block go: slot s holds this channel.
    static constexpr int kSlotChannel[8] = {0, 2, 6, 3, 1, 7, 5, 4};
    static constexpr std::int32_t kBlockWords = 640;
    static constexpr std::int32_t kStageWords = 8;

    BztTolvarinePlatformV1Base(std::int32_t modelIndex, std::int32_t unitClass);

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
    void UploadSpeakerConfig(halvane::UploadSource* document) override;
    void UploadSpeakerLevels(halvane::UploadSource* document) override;
    void UploadCoefficients(bool erase, halvane::UploadSource* document) override;
    bool VerifyCoefficients(halvane::UploadSource* document, std::int32_t second) override;
    void UploadGains(bool erase, halvane::UploadSource* document) override;
    bool SetupForMeasurement(std::string& failureText) override;

    // The coefficient address of stage b of slot s at rate r of
    // configuration c, with R rates and S stages per filter set.
    static std::int32_t CoefficientAddress(std::int32_t base, int c, int r, int s, int b, int rates, int stages) {
        return base + (c * rates + r) * kBlockWords + (s * stages + b) * kStageWords;
    }
    static std::int32_t GainAddress(std::int32_t base, int c, int r, int s, int rates) {
        return base + (c * rates + r) * 8 + s;
    }

    const std::int32_t DspGeneration;

protected:
    void PowerUpSequence();
    void EnterDebugMode();
    // The power-on steps after the switch: settle, "SST0", main volume,
    // service mode.
    void ServiceSequence();
    // Reads a base address with one of the base queries.
    std::int32_t ReadBaseOffset(const char* query);
    // Writes one DSP command and waits for its six-character echo.
    void WriteDspCommand(const std::string& command);
    void Send(const char* command);
};

// Tolvarine Z6, Tolvarine Z5, Bzt 50/Qex, Bzt 40/Qex (models 0-3, class 1).
class BztTolvarineV1 final : public BztTolvarinePlatformV1Base {
public:
    explicit BztTolvarineV1(std::int32_t modelIndex) : BztTolvarinePlatformV1Base(modelIndex, 1) {}
};

// Tolvarine Z6v, Bzt 50v (models 4-5, class 2).
class BztTolvarineV2 final : public BztTolvarinePlatformV1Base {
public:
    explicit BztTolvarineV2(std::int32_t modelIndex) : BztTolvarinePlatformV1Base(modelIndex, 2) {}
};

// The receiver family: Vux 300, Vux 500, Vux 700 (models 6-8, class 4),
// with fixed-width setting words, each set and confirmed by a query, and
// coefficients sent as the bits of single-precision floats.
class VuxV1Base final : public SerBase {
public:
    // The channel digit of the "C" and "G" words for each channel number.
    static constexpr int kChannelCode[8] = {0, 2, 1, 4, 6, 5, 3, 7};
    // A verification's failure text is cut to this many characters.
    static constexpr std::size_t kVerifyTextLimit = 400;

    explicit VuxV1Base(std::int32_t modelIndex) : SerBase(modelIndex, 4) {}

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
    void UploadSpeakerConfig(halvane::UploadSource* document) override;
    void UploadSpeakerLevels(halvane::UploadSource* document) override;
    void UploadCoefficients(bool erase, halvane::UploadSource* document) override;
    bool VerifyCoefficients(halvane::UploadSource* document, std::int32_t second) override;
    void UploadGains(bool erase, halvane::UploadSource* document) override;
    bool SetupForMeasurement(std::string& failureText) override;

    void SendReceiverSpeakerSetup(const TargetConfig& targets);
    void SendReceiverLevels(const TargetConfig& targets);
    void SetValidCoefficientsState(std::int32_t state);

    // The float bits of coefficient digit i (0-3) of a stage, and of a
    // channel's gain from its gain word (24-bit, sign-extended) and the
    // product of its stages' b0.
    static std::uint32_t CoefficientBits(const halvane::Biquad& stage, int digit);
    static std::uint32_t GainBits(std::int32_t gainWord, double b0Product);
    static std::int32_t SignExtendGain(std::int32_t word) { return ((word & 0xFFFFFF) ^ 0x800000) - 0x800000; }
};

}  // namespace ConTypes
