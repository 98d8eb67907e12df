#pragma once

#include <cstdint>
#include <string>

#include "halvane/link/SerBase.h"

namespace halvane::link::Comm {
class UploadRetries;
}

namespace halvane::link::ConTypes {

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

    BztTolvarinePlatformV1Base(std::int32_t modelIndex, std::int32_t unitClass, Comm::CBasicTessikPort& port);

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
    // Writes one DSP command and waits for its six-character echo, in the
    // upload's verified-write loop.
    void WriteDspCommand(const std::string& command, Comm::UploadRetries& retries);
    void Send(const char* command);
};

}  // namespace halvane::link::ConTypes
